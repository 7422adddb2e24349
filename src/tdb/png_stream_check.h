// Checking the PNG stream of an image record as the device reads it: the signature, the header chunk first
// and agreeing with the record's size, then chunk by chunk, each inside the stream with its CRC right, up to
// an IEND that ends the stream exactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// Checks `png`, which holds at least kPngHeaderBytes, against the record's `width` and `height`. Returns ""
// and appends the chunk types in stream order to `chunkTypes`, or returns what is wrong, worded to follow the
// record's name ("does not hold a PNG stream that starts with its header chunk").
std::string checkPngStream(std::string_view png, uint32_t width, uint32_t height,
                           std::vector<std::string>& chunkTypes);

} // namespace quillery
