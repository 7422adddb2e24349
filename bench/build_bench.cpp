#include "build_bench.h"

#include "bench_text.h"
#include "build/build_book.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "tdb/text_records.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace quillery::bench {
namespace {

// Peak resident memory of the process in kB since the last reset, or -1 where the system does not say.
long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

// Starts a new peak from the current resident size (Linux: writing 5 to clear_refs).
bool resetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

} // namespace

void runBuildBench() {
    char folder[] = "/tmp/quillery-build-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("buildBook              (no scratch folder)\n");
        return;
    }
    const std::string sourcePath = std::string(folder) + "/bench.tml";
    const std::string outputPath = std::string(folder) + "/bench.tdb";
    const std::string tempPath = std::string(folder) + "/bench.tml.tmp";
    size_t size = 0;
    {
        std::string source = "TITLE=\"Benchmark\"\n" + generateBookText(16 * 1000 * 1000);
        size = source.size();
        std::ofstream(sourcePath, std::ios::binary) << source;
    }
    ReportHandler silent = [](const Report&) { return 0; };
    ReportHandler error = errorHandler(), warning = warningHandler(), note = noteHandler();
    setErrorHandler(silent);
    setWarningHandler(silent);
    setNoteHandler(silent);

    // Reading the source and compressing it into text records: the floor of any build.
    double floorSeconds = bestSeconds(3, [&] { readAndCompress(sourcePath, tempPath); });
    std::remove(tempPath.c_str());

    BookInfo info;
    info.title = u"Benchmark";
    bool built = true;
    malloc_trim(0); // memory freed by the runs above must not hide the build's own
    long before = residentKilobytes();
    bool peakKnown = resetPeak();
    double buildSeconds = bestSeconds(3, [&] {
        FileService source(sourcePath);
        FileService output(outputPath);
        built = !failed(buildBook(&source, &output, info, 0)) && built;
    });
    long peak = peakKilobytes();

    setErrorHandler(error);
    setWarningHandler(warning);
    setNoteHandler(note);
    std::printf("read + compress        %8.1f MB/s  (%.3f s, %.1f MB source)\n",
                megabytesPerSecond(size, floorSeconds), floorSeconds, size / 1e6);
    std::printf("buildBook              %8.1f MB/s  (%.3f s)   ratio %.3f (target <= 1.40)%s\n",
                megabytesPerSecond(size, buildSeconds), buildSeconds, buildSeconds / floorSeconds,
                built ? "" : "  BUILD FAILED");
    if (peakKnown && peak > 0) {
        double limit = 2.0 * size / 1024 + 16 * 1024;
        std::printf(
            "buildBook peak memory  %8.1f MB above the %.1f MB before it (target <= %.1f MB: 2 x source + "
            "16 MB)\n",
            (peak - before) / 1024.0, before / 1024.0, limit / 1024);
    }
    std::remove(outputPath.c_str());
    std::remove(sourcePath.c_str());
    rmdir(folder);
}

} // namespace quillery::bench
