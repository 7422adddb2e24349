// PNG pictures through libpng: every colour type and bit depth, interlaced or not, as RGB over white.
#pragma once

#include "framework/verdict.h"
#include "pictures/raster.h"

#include <string>
#include <string_view>

namespace quillery::pictures {

// Whether `bytes` start with the PNG signature.
bool looksLikePng(std::string_view bytes);

// Decodes the PNG `bytes` into `raster`: palettes and grey expanded, 16-bit samples scaled to 8, alpha and
// tRNS transparency laid over white. A size beyond decodableSize, a stream cut short before the last pixel
// row, or any fault libpng finds fails with the reason in `error`.
Verdict decodePng(std::string_view bytes, Raster& raster, std::string& error);

} // namespace quillery::pictures
