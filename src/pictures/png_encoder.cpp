#include "pictures/png_encoder.h"

#include <csetjmp>
#include <cstdio>
#include <png.h>

namespace quillery::pictures {
namespace {

// Plain data only: libpng's errors leave the encoding by longjmp, which must not pass over anything with a
// destructor. The stream is appended to by the write callback, outside the jump's reach.
struct PngWriteJob {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    const png_color* palette = nullptr;
    int paletteSize = 0;
    std::string* stream = nullptr;
    png_bytep* rows = nullptr;
    char message[160] = {};
};

[[noreturn]] void leaveOnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngWriteJob*>(png_get_error_ptr(png));
    if (job->message[0] == '\0') {
        std::snprintf(job->message, sizeof job->message, "%s", message != nullptr ? message : "");
    }
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void appendBytes(png_structp png, png_bytep bytes, size_t length) {
    auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
    try {
        job->stream->append(reinterpret_cast<const char*>(bytes), length);
    } catch (...) {
        png_error(png, "out of memory");
    }
}

void noFlush(png_structp) {}

bool runPngWrite(PngWriteJob* job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, leaveOnError, ignoreWarning);
    if (png == nullptr) {
        std::snprintf(job->message, sizeof job->message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::free(job->rows);
        job->rows = nullptr;
        return false;
    }
    png_set_write_fn(png, job, appendBytes, noFlush);
    bool indexed = job->paletteSize > 0;
    png_set_IHDR(png, info, static_cast<png_uint_32>(job->width), static_cast<png_uint_32>(job->height), 8,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (indexed) {
        png_set_PLTE(png, info, job->palette, job->paletteSize);
    }
    png_set_compression_level(png, 9);
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(job->height)));
    if (job->rows == nullptr) {
        png_error(png, "out of memory");
    }
    for (int y = 0; y < job->height; ++y) {
        job->rows[y] =
            const_cast<png_bytep>(job->pixels) + static_cast<size_t>(y) * static_cast<size_t>(job->width);
    }
    png_write_info(png, info);
    png_write_image(png, job->rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::free(job->rows);
    job->rows = nullptr;
    return true;
}

} // namespace

Verdict encodePng(const std::vector<uint8_t>& pixels, int width, int height,
                  const std::vector<PaletteColour>& palette, std::string& stream, std::string& error) {
    std::vector<png_color> colours;
    for (const PaletteColour& colour : palette) {
        colours.push_back({colour[0], colour[1], colour[2]});
    }
    stream.clear();
    PngWriteJob job;
    job.pixels = pixels.data();
    job.width = width;
    job.height = height;
    job.palette = colours.data();
    job.paletteSize = static_cast<int>(colours.size());
    job.stream = &stream;
    if (!runPngWrite(&job)) {
        stream.clear();
        error = std::string("the picture could not be encoded: ") + job.message;
        return Verdict::Failed;
    }
    return Verdict::Ok;
}

} // namespace quillery::pictures
