#include "pictures/raster.h"

#include <cstring>

namespace quillery::pictures {

bool decodableSize(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxDecodedSide && height <= kMaxDecodedSide &&
           width * height <= kMaxDecodedPixels;
}

bool Raster::allocate(int width, int height) {
    size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    auto* pixels = static_cast<uint8_t*>(std::malloc(bytes));
    if (pixels == nullptr) {
        pixels_.reset();
        width_ = height_ = 0;
        return false;
    }
    std::memset(pixels, 0xFF, bytes);
    adopt(pixels, width, height);
    return true;
}

void Raster::adopt(uint8_t* pixels, int width, int height) {
    pixels_.reset(pixels);
    width_ = width;
    height_ = height;
}

} // namespace quillery::pictures

namespace quillery::pictures {

std::string damagedReason(const char* detail) {
    std::string reason = "the picture is damaged: ";
    reason += detail != nullptr && *detail != '\0' ? detail : "unknown fault";
    // One line, whatever the library said.
    for (char& c : reason) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason;
}

std::string tooLargeReason(int64_t width, int64_t height) {
    return "the picture is too large: " + std::to_string(width) + " x " + std::to_string(height);
}

} // namespace quillery::pictures
