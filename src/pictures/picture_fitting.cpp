#include "pictures/picture_fitting.h"

#include "pictures/area_scaler.h"
#include "pictures/gif_decoder.h"
#include "pictures/grey_conversion.h"
#include "pictures/jpeg_decoder.h"
#include "pictures/palette_quantiser.h"
#include "pictures/png_decoder.h"
#include "pictures/png_encoder.h"

#include <new>

namespace quillery::pictures {
namespace {

Verdict decode(std::string_view bytes, Raster& raster, std::string& error) {
    if (looksLikeJpeg(bytes)) {
        return decodeJpeg(bytes, kMaxPictureWidth, kMaxPictureHeight, raster, error);
    }
    if (looksLikePng(bytes)) {
        return decodePng(bytes, raster, error);
    }
    if (looksLikeGif(bytes)) {
        return decodeGif(bytes, raster, error);
    }
    error = "not a JPEG, PNG or GIF picture";
    return Verdict::Failed;
}

Verdict fit(std::string_view bytes, PictureColors colors, FittedPicture& picture, std::string& error) {
    Raster decoded;
    if (failed(decode(bytes, decoded, error))) {
        return Verdict::Failed;
    }
    PictureSize size = fittedSize(decoded.width(), decoded.height(), kMaxPictureWidth, kMaxPictureHeight);
    Raster scaled;
    const Raster* page = &decoded;
    if (size.width != decoded.width() || size.height != decoded.height()) {
        if (!scaleDown(decoded, size.width, size.height, scaled)) {
            error = "the picture is too large: out of memory";
            return Verdict::Failed;
        }
        page = &scaled;
    }
    std::string stream;
    if (colors == PictureColors::Palette) {
        IndexedPicture indexed = quantise(*page);
        if (failed(encodePng(indexed.indices, size.width, size.height, indexed.palette, stream, error))) {
            return Verdict::Failed;
        }
    } else if (failed(encodePng(greyPixels(*page), size.width, size.height, {}, stream, error))) {
        return Verdict::Failed;
    }
    picture.png = std::move(stream);
    picture.width = size.width;
    picture.height = size.height;
    return Verdict::Ok;
}

} // namespace

Verdict fitPicture(std::string_view bytes, PictureColors colors, FittedPicture& picture, std::string& error) {
    try {
        return fit(bytes, colors, picture, error);
    } catch (const std::bad_alloc&) {
        error = "the picture is too large: out of memory";
        return Verdict::Failed;
    }
}

} // namespace quillery::pictures
