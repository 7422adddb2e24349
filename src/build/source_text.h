// Reading a source whole and mapping it to the device character set.
#pragma once

#include "framework/verdict.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace quillery {

// The bytes of a source, in one buffer of the file's size.
struct SourceText {
    std::unique_ptr<char[]> bytes;
    size_t length = 0;

    std::string_view view() const { return {bytes.get(), length}; }
};

enum class ReadSourceResult { Ok, CannotOpen, ReadError, TooLarge };

// Reads the whole file at `path` into `source`. Only regular files are read; short reads continue until the
// end of the file. A file of 4 GiB or more is TooLarge (text positions in a book are 32-bit), as is one for
// which memory cannot be had. Reports nothing: the caller does.
ReadSourceResult readSource(const std::string& path, SourceText& source);

// Rewrites `text` in place to device characters with LF line ends and returns the new length (never larger).
// Bytes 0-8 are dropped, CR LF and lone CR become LF, and bytes with no device character are reported and
// kept. Reports on the warning channel.
size_t mapSourceText(char* text, size_t length);

} // namespace quillery
