// GIF pictures through giflib: the first frame, laid on the logical screen, its transparent colour white.
#pragma once

#include "framework/verdict.h"
#include "pictures/raster.h"

#include <string>
#include <string_view>

namespace quillery::pictures {

// Whether `bytes` start with a GIF signature.
bool looksLikeGif(std::string_view bytes);

// Decodes the first frame of the GIF `bytes` into `raster`. The frame is laid at its place on the logical
// screen, which is white elsewhere; a frame that does not lie inside the screen (or a screen of no size) is
// taken alone. A colour index beyond the colour table is black. A size beyond decodableSize, a frame cut
// short, or any fault giflib reports fails with the reason in `error`.
Verdict decodeGif(std::string_view bytes, Raster& raster, std::string& error);

} // namespace quillery::pictures
