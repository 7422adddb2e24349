#include "pictures/png_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace quillery::pictures {
namespace {

enum class Outcome { Decoded, Damaged, TooLarge };

// Everything the decoding shares with its caller. Plain data only: libpng's errors leave the decoding by
// longjmp, which must not pass over anything with a destructor.
struct PngJob {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    size_t position = 0;
    Outcome outcome = Outcome::Damaged;
    uint8_t* pixels = nullptr; // std::malloc'd; RGBA while reading, RGB for the caller on success
    png_bytep* rows = nullptr;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    char message[160] = {};
};

[[noreturn]] void leaveOnError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    if (job->message[0] == '\0') {
        std::snprintf(job->message, sizeof job->message, "%s", message != nullptr ? message : "");
    }
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, size_t length) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (job->size - job->position < length) {
        png_error(png, "the file ends early");
    }
    std::memcpy(out, job->bytes + job->position, length);
    job->position += length;
}

// Lays the RGBA rows over white, packing them as RGB in the same memory.
void flattenOverWhite(uint8_t* pixels, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = pixels + i * 4;
        unsigned alpha = in[3];
        uint8_t r = overWhite(in[0], alpha), g = overWhite(in[1], alpha), b = overWhite(in[2], alpha);
        pixels[i * 3] = r;
        pixels[i * 3 + 1] = g;
        pixels[i * 3 + 2] = b;
    }
}

// C-style on purpose: see PngJob.
bool runPng(PngJob* job) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, leaveOnError, ignoreWarning);
    if (png == nullptr) {
        std::snprintf(job->message, sizeof job->message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(job->message, sizeof job->message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(job->rows);
        std::free(job->pixels);
        job->rows = nullptr;
        job->pixels = nullptr;
        return false;
    }
    png_set_read_fn(png, job, readBytes);
    // Sides beyond the limit are refused while the header is read.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(png, info);
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &job->width, &job->height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (!decodableSize(job->width, job->height)) {
        job->outcome = Outcome::TooLarge;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_expand(png); // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && png_get_valid(png, info, PNG_INFO_tRNS) == 0) {
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    (void)png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != size_t{job->width} * 4) {
        png_error(png, "unexpected row format");
    }
    job->pixels = static_cast<uint8_t*>(std::malloc(rowBytes * job->height));
    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * job->height));
    if (job->pixels == nullptr || job->rows == nullptr) {
        png_error(png, "out of memory");
    }
    for (png_uint_32 y = 0; y < job->height; ++y) {
        job->rows[y] = job->pixels + y * rowBytes;
    }
    // Every row is read whole before the pixels are used, so none is left uninitialised: a stream cut short
    // fails in here.
    png_read_image(png, job->rows);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(job->rows);
    job->rows = nullptr;
    flattenOverWhite(job->pixels, size_t{job->width} * job->height);
    job->outcome = Outcome::Decoded;
    return true;
}

} // namespace

bool looksLikePng(std::string_view bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
}

Verdict decodePng(std::string_view bytes, Raster& raster, std::string& error) {
    // The size stands in the IHDR chunk, which must come first: a picture too large is refused before
    // anything else of it is read.
    if (bytes.size() >= 24 && bytes.substr(12, 4) == "IHDR") {
        auto value = [&bytes](size_t at) {
            return uint32_t{static_cast<uint8_t>(bytes[at])} << 24 |
                   uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16 |
                   uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8 | static_cast<uint8_t>(bytes[at + 3]);
        };
        uint32_t width = value(16), height = value(20);
        if (width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
            !decodableSize(width, height)) {
            error = tooLargeReason(width, height);
            return Verdict::Failed;
        }
    }
    PngJob job;
    job.bytes = reinterpret_cast<const uint8_t*>(bytes.data());
    job.size = bytes.size();
    if (!runPng(&job)) {
        error = job.outcome == Outcome::TooLarge ? tooLargeReason(job.width, job.height)
                                                 : damagedReason(job.message);
        return Verdict::Failed;
    }
    size_t bytesNeeded = size_t{job.width} * job.height * 3;
    if (void* shrunk = std::realloc(job.pixels, bytesNeeded)) {
        job.pixels = static_cast<uint8_t*>(shrunk);
    }
    raster.adopt(job.pixels, static_cast<int>(job.width), static_cast<int>(job.height));
    return Verdict::Ok;
}

} // namespace quillery::pictures
