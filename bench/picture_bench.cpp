#include "picture_bench.h"

#include "bench_text.h"
#include "pictures/picture_fitting.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace quillery::bench {
namespace {

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// A smooth colour photo of `width` x `height` pixels at quality 90; no object with a destructor lives in this
// frame, which libjpeg may leave by longjmp.
bool encodePhoto(int width, int height, const uint8_t* rows, unsigned char** out, unsigned long* size) {
    jpeg_compress_struct info;
    JpegErrors errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leave;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows + static_cast<size_t>(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

void runPictureFitBench() {
    const int width = 4000, height = 3000;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* p = pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = static_cast<uint8_t>(((x / 40 + y / 40) % 2) * 200);
        }
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (!encodePhoto(width, height, pixels.data(), &out, &size)) {
        std::free(out);
        return;
    }
    std::string jpeg(reinterpret_cast<const char*>(out), size);
    std::free(out);
    for (auto colors : {pictures::PictureColors::Grey, pictures::PictureColors::Palette}) {
        pictures::FittedPicture picture;
        std::string error;
        double seconds = bestSeconds(5, [&] { (void)pictures::fitPicture(jpeg, colors, picture, error); });
        std::printf("fitPicture, JPEG       %8.1f ms   (%d x %d, %lu bytes -> %s %d x %d, %zu bytes)\n",
                    seconds * 1e3, width, height, size,
                    colors == pictures::PictureColors::Grey ? "grey" : "palette", picture.width,
                    picture.height, picture.png.size());
    }
}

} // namespace quillery::bench
