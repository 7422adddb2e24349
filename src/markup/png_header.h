// The PNG header reader: the width and height of an image, read from the first 26 bytes of its file.
//
// Layout needs an image's size long before the image is converted, so only the signature, the IHDR chunk
// type, the size and the colour type are looked at here; the full decoding happens in image conversion.
#pragma once

#include "framework/verdict.h"
#include "tdb/book_format.h" // the PNG signature and header fields
#include "tdb/image_size.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quillery {

// Sets `size` to 0 by 0, then reads the header of the PNG file at `fullPath` into it. Failures are reported
// as errors and leave the size at 0 by 0:
//   "Failed to open PNG file %s\n"        the path cannot be opened, or is not a regular file
//   "Failed to read PNG file %s\n"        reading failed
//   "PNG file %s appears to be empty\n"   the file holds no byte
//   "Bad PNG signature for %s"            bytes 0-7 are not the PNG signature
//   "Couldn't find PNG header for %s"     bytes 12-15 are not "IHDR"
//   "Unrecognized PNG color type for %s"  colour type (byte 25) other than 0 (grey) or 3 (palette)
// A file shorter than 26 bytes is read as if the missing bytes were zero. `tag`, when given, is the text
// position of the tag that names the image; the errors are placed there.
Verdict readPngHeader(const std::string& fullPath, ImageSize& size, std::optional<size_t> tag = std::nullopt);

// An error about an image, placed at the text position `tag` of the tag that names it when there is one.
void reportImageError(std::optional<size_t> tag, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

} // namespace quillery
