// Reading a picture file whole, for fitting.
#pragma once

#include "framework/verdict.h"

#include <cstdint>
#include <string>

namespace quillery::pictures {

// No picture file worth fitting is larger; a larger one is refused unread.
constexpr uint64_t kMaxPictureFileBytes = 256ull * 1024 * 1024;

// Reads the regular file at `path` into `bytes`. Fails with a one-line reason in `error` when it cannot be
// opened or read, is not a regular file, or is larger than kMaxPictureFileBytes.
Verdict readPictureFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace quillery::pictures
