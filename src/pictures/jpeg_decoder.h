// JPEG pictures through libjpeg: any colour space it reads (grey, YCbCr, RGB, CMYK, YCCK) as RGB.
#pragma once

#include "framework/verdict.h"
#include "pictures/raster.h"

#include <string>
#include <string_view>

namespace quillery::pictures {

// Whether `bytes` start like a JPEG stream.
bool looksLikeJpeg(std::string_view bytes);

// Decodes the JPEG `bytes` into `raster`. When the picture is much larger than `fitWidth` x `fitHeight` it
// is decoded at a reduced scale (1/2, 1/4 or 1/8) that still covers that size, which is far faster and
// needs far less memory; the decoded size must pass decodableSize. A stream cut short is decoded as far as
// it goes (libjpeg fills the rest with grey); any other fault fails with the reason in `error`.
Verdict decodeJpeg(std::string_view bytes, int fitWidth, int fitHeight, Raster& raster, std::string& error);

} // namespace quillery::pictures
