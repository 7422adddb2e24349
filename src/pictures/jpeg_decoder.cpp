#include "pictures/jpeg_decoder.h"

#include "pictures/area_scaler.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace quillery::pictures {
namespace {

// A progressive stream can hold thousands of tiny scans that each cost a pass over the whole picture.
constexpr int kMaxScans = 500;
// libjpeg's own buffers (whole-picture coefficient arrays for progressive streams) stay below this; beyond
// it the decoder fails, as it has no backing store.
constexpr long kMaxDecoderMemory = 512L * 1024 * 1024;

enum class Outcome { Decoded, Damaged, TooLarge };

// Everything the decoding shares with its caller. Plain data only: libjpeg's errors leave the decoding by
// longjmp, which must not pass over anything with a destructor.
struct JpegJob {
    const unsigned char* bytes = nullptr;
    unsigned long size = 0;
    int fitWidth = 0;
    int fitHeight = 0;
    Outcome outcome = Outcome::Damaged;
    uint8_t* pixels = nullptr; // std::malloc'd RGB rows, for the caller on success
    int width = 0;
    int height = 0;
    long statedWidth = 0;
    long statedHeight = 0;
    char message[JMSG_LENGTH_MAX + 64] = {};
};

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    JpegJob* job;
};

[[noreturn]] void leaveOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (errors->job->message[0] == '\0') {
        (*info->err->format_message)(info, errors->job->message);
    }
    std::longjmp(errors->jump, 1);
}

// Warnings (extraneous bytes, a stream cut short) are not printed; the decoding goes on.
void ignoreMessage(j_common_ptr) {}

void limitScans(j_common_ptr info) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<JpegErrors*>(info->err);
        std::snprintf(errors->job->message, sizeof errors->job->message, "more than %d scans", kMaxScans);
        leaveOnError(info);
    }
}

// The largest reduction (8, 4, 2 or 1) at which the decoded picture still covers the size it is fitted to.
unsigned reductionFor(long width, long height, int fitWidth, int fitHeight) {
    for (unsigned denominator : {8u, 4u, 2u}) {
        long scaledWidth = (width + denominator - 1) / denominator;
        long scaledHeight = (height + denominator - 1) / denominator;
        if (scaledWidth >= fitWidth && scaledHeight >= fitHeight) {
            return denominator;
        }
    }
    return 1;
}

void cmykToRgb(uint8_t* row, int width, bool inverted) {
    // In place, front to back: pixel x's three output bytes never overtake its four input bytes.
    for (int x = 0; x < width; ++x) {
        unsigned c = row[x * 4], m = row[x * 4 + 1], y = row[x * 4 + 2], k = row[x * 4 + 3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        // Stored inverted (as Adobe writes it): 255 means no ink.
        row[x * 3] = static_cast<uint8_t>((c * k + 127) / 255);
        row[x * 3 + 1] = static_cast<uint8_t>((m * k + 127) / 255);
        row[x * 3 + 2] = static_cast<uint8_t>((y * k + 127) / 255);
    }
}

// C-style on purpose: see JpegJob.
bool runJpeg(JpegJob* job) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = leaveOnError;
    errors.manager.output_message = ignoreMessage;
    errors.job = job;
    uint8_t* row = nullptr;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&info);
        std::free(job->pixels);
        job->pixels = nullptr;
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kMaxDecoderMemory;
    progress.progress_monitor = limitScans;
    info.progress = &progress;
    jpeg_mem_src(&info, job->bytes, job->size);
    (void)jpeg_read_header(&info, TRUE);
    job->statedWidth = info.image_width;
    job->statedHeight = info.image_height;
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = reductionFor(info.image_width, info.image_height, job->fitWidth, job->fitHeight);
    jpeg_calc_output_dimensions(&info);
    if (!decodableSize(info.output_width, info.output_height)) {
        job->outcome = Outcome::TooLarge;
        jpeg_destroy_decompress(&info);
        return false;
    }
    job->width = static_cast<int>(info.output_width);
    job->height = static_cast<int>(info.output_height);
    size_t rowBytes = static_cast<size_t>(job->width) * 4;
    job->pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(job->height) * rowBytes));
    if (job->pixels == nullptr) {
        std::snprintf(job->message, sizeof job->message, "out of memory");
        jpeg_destroy_decompress(&info);
        return false;
    }
    (void)jpeg_start_decompress(&info);
    if (info.output_components != (cmyk ? 4 : 3) ||
        info.output_width != static_cast<JDIMENSION>(job->width) ||
        info.output_height != static_cast<JDIMENSION>(job->height)) {
        std::snprintf(job->message, sizeof job->message, "unexpected output format");
        leaveOnError(reinterpret_cast<j_common_ptr>(&info));
    }
    // Rows are packed as RGB (3 bytes a pixel); a CMYK row is read 4 bytes a pixel into the same place and
    // converted there, which the room of the rows below it allows (the last row has room for 4 bytes a pixel
    // thanks to the allocation above, made for 4).
    while (info.output_scanline < info.output_height) {
        row = job->pixels + static_cast<size_t>(info.output_scanline) * static_cast<size_t>(job->width) * 3;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            std::snprintf(job->message, sizeof job->message, "no more rows");
            leaveOnError(reinterpret_cast<j_common_ptr>(&info));
        }
        if (cmyk) {
            cmykToRgb(row, job->width, info.saw_Adobe_marker);
        }
    }
    (void)jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    job->outcome = Outcome::Decoded;
    return true;
}

} // namespace

bool looksLikeJpeg(std::string_view bytes) {
    return bytes.size() >= 3 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
           static_cast<uint8_t>(bytes[1]) == 0xD8 && static_cast<uint8_t>(bytes[2]) == 0xFF;
}

Verdict decodeJpeg(std::string_view bytes, int fitWidth, int fitHeight, Raster& raster, std::string& error) {
    JpegJob job;
    job.bytes = reinterpret_cast<const unsigned char*>(bytes.data());
    job.size = static_cast<unsigned long>(bytes.size());
    job.fitWidth = fitWidth;
    job.fitHeight = fitHeight;
    if (!runJpeg(&job)) {
        error = job.outcome == Outcome::TooLarge ? tooLargeReason(job.statedWidth, job.statedHeight)
                                                 : damagedReason(job.message);
        return Verdict::Failed;
    }
    // The rows were read with room for 4 bytes a pixel; give back what RGB does not need.
    size_t bytesNeeded = static_cast<size_t>(job.width) * static_cast<size_t>(job.height) * 3;
    if (void* shrunk = std::realloc(job.pixels, bytesNeeded)) {
        job.pixels = static_cast<uint8_t*>(shrunk);
    }
    raster.adopt(job.pixels, job.width, job.height);
    return Verdict::Ok;
}

} // namespace quillery::pictures
