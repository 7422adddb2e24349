// Colour: a picture reduced to a palette of at most 256 colours, for an 8-bit palette PNG.
#pragma once

#include "pictures/raster.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillery::pictures {

using PaletteColour = std::array<uint8_t, 3>;

struct IndexedPicture {
    std::vector<PaletteColour> palette; // 1 to 256 colours
    std::vector<uint8_t> indices;       // one a pixel, row after row
};

// A picture with at most 256 distinct colours keeps them exactly (the palette sorted by colour). Otherwise
// the palette is made by median cut (the box of colours with the most pixels times its widest side is split
// at the pixel median of that side, until there are 256 boxes; each gives its pixel-weighted mean colour),
// and the pixels are mapped to it with Floyd-Steinberg error diffusion. The same raster always gives the same
// result.
IndexedPicture quantise(const Raster& raster);

} // namespace quillery::pictures
