#include "markup/png_header.h"

#include "framework/byte_order.h"
#include "framework/diagnostics.h"
#include "framework/file_service.h"

#include <cstdarg>
#include <cstring>

namespace quillery {

void reportImageError(std::optional<size_t> tag, const char* format, ...) {
    std::optional<SourcePlace> place;
    if (tag.has_value()) {
        place = placeInReportText(*tag);
    }
    va_list args;
    va_start(args, format);
    (void)vreport(ReportLevel::Error, place, format, args);
    va_end(args);
}

Verdict readPngHeader(const std::string& fullPath, ImageSize& size, std::optional<size_t> tag) {
    size = ImageSize{};
    FileService file(fullPath);
    if (file.open(FileService::Mode::Read) != 0) {
        reportImageError(tag, "Failed to open PNG file %s\n", fullPath.c_str());
        return Verdict::Failed;
    }
    // Zero-filled, so that the bytes a short file lacks read as zero.
    uint8_t header[kPngHeaderLength] = {};
    size_t got = 0;
    if (file.read(header, sizeof header, &got) != 0) {
        reportImageError(tag, "Failed to read PNG file %s\n", fullPath.c_str());
        return Verdict::Failed;
    }
    if (got == 0) {
        reportImageError(tag, "PNG file %s appears to be empty\n", fullPath.c_str());
        return Verdict::Failed;
    }
    if (std::memcmp(header, kPngSignature.data(), kPngSignature.size()) != 0) {
        reportImageError(tag, "Bad PNG signature for %s", fullPath.c_str());
        return Verdict::Failed;
    }
    if (std::memcmp(header + kPngHeaderChunkOffset + kPngChunkTypeOffset, kPngHeaderChunk.data(),
                    kPngHeaderChunk.size()) != 0) {
        reportImageError(tag, "Couldn't find PNG header for %s", fullPath.c_str());
        return Verdict::Failed;
    }
    uint8_t colourType = header[kPngColourTypeOffset];
    if (colourType != kPngColourTypeGrey && colourType != kPngColourTypePalette) {
        reportImageError(tag, "Unrecognized PNG color type for %s", fullPath.c_str());
        return Verdict::Failed;
    }
    size.width = static_cast<uint16_t>(readU32BE(header + kPngWidthOffset));
    size.height = static_cast<uint16_t>(readU32BE(header + kPngHeightOffset));
    return Verdict::Ok;
}

} // namespace quillery
