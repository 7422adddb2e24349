// Grey: the luminance of every pixel, for the device's grey screen.
#pragma once

#include "pictures/raster.h"

#include <cstdint>
#include <vector>

namespace quillery::pictures {

// One byte a pixel, row after row: 0.299 R + 0.587 G + 0.114 B, rounded.
std::vector<uint8_t> greyPixels(const Raster& raster);

} // namespace quillery::pictures
