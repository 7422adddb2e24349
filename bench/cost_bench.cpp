#include "cost_bench.h"

#include "build/build_book.h"
#include "framework/diagnostics.h"
#include "markup/paginate_book.h"
#include "png_chunks.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace quillery::bench {
namespace {

// A grey image of noise that hardly compresses: width x height bytes of converted data, give or take.
std::string noisePng(uint32_t width, uint32_t height, uint32_t seed) {
    std::string raw;
    uint32_t state = seed * 2654435761u + 1;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            raw.push_back(static_cast<char>(state >> 24));
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
    header += std::string{8, 0, 0, 0, 0};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedLength));
    appendChunk(png, "IEND", "");
    return png;
}

// Runs `work` in a child process, so that its peak memory is its own; false when it could not be run.
bool inChild(const std::function<void()>& work, double* seconds, long* peakKilobytes) {
    std::fflush(stdout); // or the child prints what the parent has buffered
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        work();
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    struct rusage usage {};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)) {
        return false;
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    *seconds = took.count();
    *peakKilobytes = usage.ru_maxrss;
    return true;
}

// The bytes of the files in `folder`; 0 when there is none.
uint64_t folderBytes(const std::string& folder) {
    std::error_code missing;
    uint64_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
        if (entry.is_regular_file()) {
            bytes += entry.file_size();
        }
    }
    return bytes;
}

struct Case {
    const char* name;
    // Writes the source of scale `n` at `path` (and any images beside it).
    std::function<void(const std::string& path, size_t n)> write;
    size_t n;
    uint32_t flags = 0; // of the build: kFlagDictionary for a dictionary build
};

void writeImages(const std::string& path, size_t n) {
    std::string folder = path.substr(0, path.size() - 4) + "_img";
    std::filesystem::create_directories(folder);
    std::ofstream source(path, std::ios::binary);
    source << "TITLE=\"Images\"\n";
    for (size_t i = 0; i < n; ++i) {
        std::string name = "i";
        name += std::to_string(i);
        name += ".png";
        std::ofstream(folder + "/" + name, std::ios::binary) << noisePng(150, 140, static_cast<uint32_t>(i));
        source << "\\m=\"" << name << "\"\n";
    }
}

void writeSidebars(const std::string& path, size_t n) {
    std::ofstream source(path, std::ios::binary);
    source << "TITLE=\"Sidebars\"\n";
    std::string stem(240, 'n');
    char number[24];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(number, sizeof number, "%08zu", i);
        source << "\\Sd=\"" << stem << number << "\"x\\Sd\n";
    }
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(number, sizeof number, "%08zu", i);
        source << "<sidebar id=\"" << stem << number << "\">b</sidebar>\n";
    }
}

void writeOpenFootnotes(const std::string& path, size_t n) {
    std::ofstream source(path, std::ios::binary);
    source << "TITLE=\"Footnotes\"\n";
    for (size_t i = 0; i < n; ++i) {
        source << "\\Fn=\"f" << i << "\"x\\Fn\n";
    }
    for (size_t i = 0; i < n; ++i) {
        source << "<footnote id=\"f" << i << "\">body text without its end tag\n";
    }
}

void writeRepeated(const std::string& path, size_t bytes, const std::string& unit) {
    std::ofstream source(path, std::ios::binary);
    source << "TITLE=\"Repeated\"\n";
    std::string block;
    while (block.size() < (1u << 20)) {
        block += unit;
    }
    for (size_t written = 0; written < bytes; written += block.size()) {
        source << block;
    }
}

// `n` tags that each carry a distinct name: before, the number, after.
void writeNamedTags(const std::string& path, size_t n, const std::string& before, const std::string& after) {
    std::ofstream source(path, std::ios::binary);
    source << "TITLE=\"Names\"\n";
    std::string block;
    for (size_t i = 0; i < n; ++i) {
        block += before;
        block += std::to_string(i);
        block += after;
        if (block.size() >= (1u << 20)) {
            source << block;
            block.clear();
        }
    }
    source << block;
}

void runCase(const std::string& folder, const Case& test) {
    double seconds[2] = {};
    long peak[2] = {};
    uint64_t sourceBytes[2] = {};
    uint64_t imageBytes[2] = {};
    uint64_t bookBytes[2] = {};
    for (int round = 0; round < 2; ++round) {
        size_t n = test.n << round;
        std::string path = folder + "/" + test.name + std::to_string(round) + ".tml";
        double ignored = 0;
        long ignoredPeak = 0;
        if (!inChild([&] { test.write(path, n); }, &ignored, &ignoredPeak)) {
            std::printf("%-28s (could not write the source)\n", test.name);
            return;
        }
        sourceBytes[round] = std::filesystem::file_size(path);
        imageBytes[round] = folderBytes(path.substr(0, path.size() - 4) + "_img");
        std::string output = folder + "/" + test.name + ".tdb";
        bool ran = inChild(
            [&] {
                ReportHandler silent = [](const Report&) { return 0; };
                setErrorHandler(silent);
                setWarningHandler(silent);
                setNoteHandler(silent);
                FileService source(path);
                FileService book(output);
                BookInfo info;
                info.title = u"Cost";
                (void)buildBook(&source, &book, info, test.flags);
            },
            &seconds[round], &peak[round]);
        if (!ran) {
            std::printf("%-28s (the build did not finish)\n", test.name);
            return;
        }
        std::error_code missing;
        bookBytes[round] = std::filesystem::file_size(output, missing);
        std::filesystem::remove(output);
    }
    for (int round = 0; round < 2; ++round) {
        double limit = 2.0 * sourceBytes[round] / 1024 + 16 * 1024;
        std::printf("%-20s n=%-8zu %7.1f MB source %8.3f s %8.1f MB peak (2 x source + 16 MB: %.1f MB)",
                    test.name, test.n << round, sourceBytes[round] / 1e6, seconds[round],
                    peak[round] / 1024.0, limit / 1024);
        if (imageBytes[round] != 0) {
            // The images' own size is not part of the limit: only the one being converted may be held.
            std::printf(", %.1f MB of images, %.1f MB book", imageBytes[round] / 1e6, bookBytes[round] / 1e6);
        }
        std::printf("\n");
    }
    std::printf("%-20s 2x input: time x %.2f, peak memory x %.2f\n", test.name, seconds[1] / seconds[0],
                static_cast<double>(peak[1]) / peak[0]);
}

} // namespace

void runCostBench(const std::vector<std::string>& only) {
    char folder[] = "/tmp/quillery-cost-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("costs                (no scratch folder)\n");
        return;
    }
    std::printf("Hostile sources (peak memory is the whole process's, about 4 MB of it the program)\n");
    const Case cases[] = {
        {"images", writeImages, 1000},
        {"long-sidebar-names", writeSidebars, 30000},
        {"open-footnotes", writeOpenFootnotes, 20000},
        {"chapter-tags", [](const std::string& path, size_t n) { writeRepeated(path, n, "\\C0=\"a\""); },
         size_t{12} << 20},
        {"page-breaks", [](const std::string& path, size_t n) { writeRepeated(path, n, "a\\x\\x"); },
         size_t{12} << 20},
        // Every distinct name is kept until the end of the scan, for the messages about names defined twice
        // or never.
        {"anchors", [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\Q=\"a", "\""); },
         400000},
        {"undefined-links",
         [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\q=\"#a", "\"x\\q"); }, 400000},
        {"index-items", [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\Ia", "\\I"); },
         400000, kFlagDictionary},
        {"missing-images",
         [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\m=\"i", ".png\""); }, 400000},
        {"sidebar-references",
         [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\Sd=\"s", "\"x\\Sd"); }, 400000},
        {"footnote-references",
         [](const std::string& path, size_t n) { writeNamedTags(path, n, "\\Fn=\"f", "\"x\\Fn"); }, 400000},
    };
    for (const Case& test : cases) {
        if (!only.empty() && std::find(only.begin(), only.end(), test.name) == only.end()) {
            continue;
        }
        runCase(folder, test);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
}

} // namespace quillery::bench
