// Pictures made in the tests: JPEG and GIF streams written with the libraries themselves, and RGB rasters
// to write them from.
#pragma once

#include "png_fixture.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>
#include <gif_lib.h>
#include <jpeglib.h>
#include <string>
#include <vector>

namespace quillery::test {

// An RGB picture, 3 bytes a pixel, row after row (for encodeJpeg also CMYK, 4 bytes a pixel).
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// Every pixel `colour`.
inline RgbPicture plainPicture(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    RgbPicture picture{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        picture.pixels.insert(picture.pixels.end(), {r, g, b});
    }
    return picture;
}

// A smooth colour ramp: many distinct colours.
inline RgbPicture rampPicture(int width, int height) {
    RgbPicture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint8_t>(x * 255 / std::max(1, width - 1)));
            picture.pixels.push_back(static_cast<uint8_t>(y * 255 / std::max(1, height - 1)));
            picture.pixels.push_back(static_cast<uint8_t>((x + y) * 127 / std::max(1, width + height - 2)));
        }
    }
    return picture;
}

namespace jpeg_detail {
struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
[[noreturn]] inline void onError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}
// No object with a destructor lives in this frame.
inline bool encode(const RgbPicture* picture, bool grey, bool progressive, int quality, unsigned char** out,
                   unsigned long* size) {
    jpeg_compress_struct info;
    Errors errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = onError;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(picture->width);
    info.image_height = static_cast<JDIMENSION>(picture->height);
    // A picture with 4 bytes a pixel is CMYK as Adobe stores it (255: no ink).
    bool cmyk = picture->pixels.size() == size_t(picture->width) * picture->height * 4;
    info.input_components = cmyk ? 4 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (grey) {
        jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    }
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(picture->pixels.data() + static_cast<size_t>(info.next_scanline) *
                                                              picture->width * info.input_components);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}
} // namespace jpeg_detail

// The picture as a JPEG stream (grey: one component).
inline std::string encodeJpeg(const RgbPicture& picture, bool grey = false, bool progressive = false,
                              int quality = 95) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::string stream;
    if (jpeg_detail::encode(&picture, grey, progressive, quality, &out, &size)) {
        stream.assign(reinterpret_cast<const char*>(out), size);
    }
    std::free(out);
    return stream;
}

struct GifPicture {
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int transparent = -1;              // a transparent colour index, or -1
    std::vector<GifColorType> colours; // a power of two in size
    std::vector<uint8_t> indices;      // width x height, row after row (top to bottom)
};

namespace gif_detail {
inline int write(GifFileType* gif, const GifByteType* bytes, int length) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}
} // namespace gif_detail

// The picture as a GIF89a stream with one frame (empty when giflib refuses it).
inline std::string encodeGif(const GifPicture& picture) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, gif_detail::write, &error);
    if (gif == nullptr) {
        return {};
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(picture.colours.size()), picture.colours.data());
    bool ok = map != nullptr;
    EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, picture.screenWidth, picture.screenHeight, 8, 0, map) == GIF_OK;
    if (ok && picture.transparent >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.DelayTime = 0;
        control.TransparentColor = picture.transparent;
        GifByteType block[4];
        size_t length = EGifGCBToExtension(&control, block);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, picture.left, picture.top, picture.width, picture.height,
                                picture.interlaced, nullptr) == GIF_OK;
    // Interlaced frames are written in the order of their four passes.
    std::vector<int> order;
    static constexpr int kStart[] = {0, 4, 2, 1};
    static constexpr int kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (picture.interlaced ? 4 : 1); ++pass) {
        for (int y = picture.interlaced ? kStart[pass] : 0; y < picture.height;
             y += picture.interlaced ? kStep[pass] : 1) {
            order.push_back(y);
        }
    }
    for (int y : order) {
        std::vector<GifPixelType> line(picture.indices.begin() + y * picture.width,
                                       picture.indices.begin() + (y + 1) * picture.width);
        ok = ok && EGifPutLine(gif, line.data(), picture.width) == GIF_OK;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK || !ok) {
        return {};
    }
    return out;
}

} // namespace quillery::test
