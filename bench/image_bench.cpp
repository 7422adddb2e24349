#include "image_bench.h"

#include "bench_text.h"
#include "framework/diagnostics.h"
#include "picture_bench.h"
#include "png_chunks.h"
#include "tdb/image_conversion.h"
#include "tdb/image_table.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace quillery::bench {

namespace {

// An 8-bit image (grey, or palette with 256 colours) whose pixels come from `pixel(x, y)`.
template <typename Pixel> std::string makePng(uint32_t width, uint32_t height, bool palette, Pixel pixel) {
    std::string raw;
    raw.reserve(size_t{height} * (width + 1));
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < width; ++x) {
            raw.push_back(static_cast<char>(pixel(x, y)));
        }
    }
    std::vector<Bytef> packed(compressBound(static_cast<uLong>(raw.size())));
    uLongf packedLength = static_cast<uLongf>(packed.size());
    compress(packed.data(), &packedLength, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    appendU32(header, width);
    appendU32(header, height);
    header += std::string{8, static_cast<char>(palette ? 3 : 0), 0, 0, 0};
    appendChunk(png, "IHDR", header);
    if (palette) {
        std::string colours;
        for (int i = 0; i < 256; ++i) {
            colours +=
                std::string{static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(i / 2)};
        }
        appendChunk(png, "PLTE", colours);
    }
    appendChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedLength));
    appendChunk(png, "IEND", "");
    return png;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

void runImageBench() {
    char folderPattern[] = "/tmp/quillery-bench-img-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) {
        return;
    }
    std::string folder = folderPattern;
    ReportHandler silent = [](const Report&) { return 0; };
    setErrorHandler(silent);

    // Forty page-sized images with smooth shading, as a book carries them.
    const int count = 40;
    size_t inputBytes = 0;
    for (int i = 0; i < count; ++i) {
        std::string png =
            makePng(150, 148, true, [i](uint32_t x, uint32_t y) { return (x + y * 3 + i) / 4; });
        inputBytes += png.size();
        writeFile(folder + "/page" + std::to_string(i) + ".png", png);
    }
    size_t outputBytes = 0;
    double tableSeconds = bestSeconds(5, [&] {
        ImageTable table;
        for (int i = 0; i < count; ++i) {
            addImage(table, folder + "/page" + std::to_string(i) + ".png", {150, 148});
        }
        (void)convertImageTable(table);
        outputBytes = table.streams.length();
    });
    std::printf("convertImageTable      %8.1f ms   (%d images of 150 x 148, %zu -> %zu bytes)\n",
                tableSeconds * 1e3, count, inputBytes, outputBytes);

    // The largest raw size let through to decoding: 65535 x 1030 bytes (67.5 MB) of one value.
    std::string largest = folder + "/largest.png";
    writeFile(largest, makePng(65535, 1030, false, [](uint32_t, uint32_t) { return 0; }));
    ImageConversion conversion;
    double largestSeconds = bestSeconds(3, [&] {
        FileService file(largest);
        if (file.open(FileService::Mode::Read) != 0) {
            return;
        }
        RecordBuffer data(1, 32768, 32768);
        conversion = convertImage(file, data);
    });
    std::printf("convertImage, largest  %8.1f ms   (65535 x 1030 grey, result %d, %zu bytes)\n",
                largestSeconds * 1e3, static_cast<int>(conversion.result), conversion.appendedBytes);

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    runPictureFitBench();
}

} // namespace quillery::bench
