// Message bytes decoded for display.
//
// A message of a build mixes two encodings: file names and paths come as the file system gives them (UTF-8),
// excerpts of a source as its Windows-1252 bytes. Every well-formed UTF-8 sequence is therefore read as
// UTF-8, and every other byte of 128 or more as its Windows-1252 character. ASCII stays as it is.
#pragma once

#include <string>
#include <string_view>

namespace quillery {

std::u16string decodeDisplayText(std::string_view bytes);

} // namespace quillery
