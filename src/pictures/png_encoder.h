// The PNG stream of a fitted picture: 8-bit grey or 8-bit palette, not interlaced, no ancillary chunks, so
// that the same pixels always give the same bytes and the build takes the stream as it is.
#pragma once

#include "framework/verdict.h"
#include "pictures/palette_quantiser.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quillery::pictures {

// `pixels`: width x height bytes, row after row: grey values, or indices into `palette` when it is not empty
// (then every index must lie inside it). Fails only when libpng does (out of memory), with the reason in
// `error`.
Verdict encodePng(const std::vector<uint8_t>& pixels, int width, int height,
                  const std::vector<PaletteColour>& palette, std::string& stream, std::string& error);

} // namespace quillery::pictures
