// Scaling down to the page: the size a picture takes on the page, and an area-averaging filter that makes it.
#pragma once

#include "pictures/raster.h"

namespace quillery::pictures {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// The size of a `width` x `height` picture (both at least 1) fitted into `maxWidth` x `maxHeight`: the same
// size when it fits already (a picture is never scaled up), else the largest size of the same aspect ratio,
// rounded to whole pixels and at least 1 x 1, that fits.
PictureSize fittedSize(int64_t width, int64_t height, int maxWidth, int maxHeight);

// `source` scaled down to `width` x `height` (each at most the source's): every target pixel is the mean of
// the source area it covers, source pixels cut by its edges counted by the part inside. Exact integer
// arithmetic, so the same source gives the same bytes everywhere. False when memory ran out.
bool scaleDown(const Raster& source, int width, int height, Raster& scaled);

} // namespace quillery::pictures
