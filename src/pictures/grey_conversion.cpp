#include "pictures/grey_conversion.h"

namespace quillery::pictures {

std::vector<uint8_t> greyPixels(const Raster& raster) {
    std::vector<uint8_t> grey;
    grey.reserve(static_cast<size_t>(raster.width()) * static_cast<size_t>(raster.height()));
    for (int y = 0; y < raster.height(); ++y) {
        const uint8_t* pixel = raster.row(y);
        for (int x = 0; x < raster.width(); ++x, pixel += 3) {
            grey.push_back(
                static_cast<uint8_t>((299u * pixel[0] + 587u * pixel[1] + 114u * pixel[2] + 500u) / 1000u));
        }
    }
    return grey;
}

} // namespace quillery::pictures
