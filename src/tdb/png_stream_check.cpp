#include "tdb/png_stream_check.h"

#include "framework/byte_order.h"
#include "tdb/book_format.h"

#include <zlib.h>

#include <cstdarg>
#include <cstdio>

namespace quillery {
namespace {

std::string problem(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string problem(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

const uint8_t* bytesOf(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

std::string checkPngStream(std::string_view png, uint32_t width, uint32_t height,
                           std::vector<std::string>& chunkTypes) {
    if (png.substr(0, kPngSignature.size()) != kPngSignature ||
        readU32BE(bytesOf(png) + kPngHeaderChunkOffset) != kPngHeaderChunkDataSize ||
        png.substr(kPngHeaderChunkOffset + kPngChunkTypeOffset, kPngHeaderChunk.size()) != kPngHeaderChunk) {
        return "does not hold a PNG stream that starts with its header chunk";
    }
    uint32_t pngWidth = readU32BE(bytesOf(png) + kPngWidthOffset);
    uint32_t pngHeight = readU32BE(bytesOf(png) + kPngHeightOffset);
    if (pngWidth != width || pngHeight != height) {
        return problem("is %ux%u, but its PNG stream is %ux%u", width, height, pngWidth, pngHeight);
    }
    size_t at = kPngSignature.size();
    while (chunkTypes.empty() || chunkTypes.back() != kPngEndChunk) {
        if (png.size() - at < kPngChunkFraming) {
            return "has a PNG stream that ends without its IEND chunk";
        }
        const uint8_t* chunk = bytesOf(png) + at;
        uint32_t length = readU32BE(chunk);
        if (length > png.size() - at - kPngChunkFraming) {
            return problem("has a PNG chunk at byte %zu that runs past the end of the record", at);
        }
        std::string type(png.substr(at + kPngChunkTypeOffset, kPngChunkHeaderSize - kPngChunkTypeOffset));
        for (char c : type) {
            if (!isLetter(c)) {
                return problem("has a PNG chunk at byte %zu whose type is not four letters", at);
            }
        }
        // The CRC covers the type and the data, and follows the data.
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, chunk + kPngChunkTypeOffset, static_cast<uInt>(type.size() + length)));
        if (readU32BE(chunk + kPngChunkHeaderSize + length) != crc) {
            return problem("has a PNG chunk %s whose CRC does not match", type.c_str());
        }
        chunkTypes.push_back(std::move(type));
        at += kPngChunkFraming + length;
    }
    if (at != png.size()) {
        return problem("has %zu bytes after the IEND chunk of its PNG stream", png.size() - at);
    }
    return "";
}

} // namespace quillery
