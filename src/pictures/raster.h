// Raster: a decoded picture, 8-bit RGB, rows top to bottom, no padding. Every decoder produces one, with any
// transparency already laid over white (the colour of the page), so that the steps after it never see alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace quillery::pictures {

// Pictures larger than these, as decoded, are refused before their pixels are allocated.
constexpr int kMaxDecodedSide = 16384;
constexpr int64_t kMaxDecodedPixels = 40'000'000;

// Whether a picture of this size may be decoded (both sides at least 1 and within the limits above).
bool decodableSize(int64_t width, int64_t height);

// A colour channel `value` seen through `alpha` (0 clear, 255 opaque) over a white page.
inline uint8_t overWhite(unsigned value, unsigned alpha) {
    return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

class Raster {
  public:
    Raster() = default;

    // A raster of the given size, all white; false when the memory could not be had (the raster is then
    // empty). The size must pass decodableSize.
    bool allocate(int width, int height);
    // Takes over `pixels`, which std::malloc gave and which holds width x height x 3 bytes.
    void adopt(uint8_t* pixels, int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return !pixels_; }
    uint8_t* row(int y) { return pixels_.get() + static_cast<size_t>(y) * static_cast<size_t>(width_) * 3; }
    const uint8_t* row(int y) const {
        return pixels_.get() + static_cast<size_t>(y) * static_cast<size_t>(width_) * 3;
    }

  private:
    struct Free {
        void operator()(uint8_t* pixels) const { std::free(pixels); }
    };
    std::unique_ptr<uint8_t, Free> pixels_;
    int width_ = 0;
    int height_ = 0;
};

} // namespace quillery::pictures

#include <string>

namespace quillery::pictures {

// The one-line reasons a decoder gives for a picture it refuses.
std::string damagedReason(const char* detail);
std::string tooLargeReason(int64_t width, int64_t height);

} // namespace quillery::pictures
