#include "text_bench.h"

#include "bench_text.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "tdb/text_records.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace quillery::bench {

void runTextBench() {
    const size_t size = 16 * 1000 * 1000;
    std::string source = generateBookText(size);
    ReportHandler silent = [](const Report&) { return 0; };
    setWarningHandler(silent);

    std::string work;
    double mapSeconds = bestSeconds(5, [&] {
        work = source;
        work.resize(mapSourceText(work.data(), work.size()));
    });
    double copySeconds = bestSeconds(5, [&] { work = source; });
    std::printf("mapSourceText          %8.0f MB/s  (%.1f MB, copy of the input excluded)\n",
                megabytesPerSecond(size, mapSeconds - copySeconds), size / 1e6);
    work = source;
    work.resize(mapSourceText(work.data(), work.size()));

    char path[] = "/tmp/quillery-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0) {
        close(fd);
    }
    double recordSeconds = bestSeconds(5, [&] {
        FileService file(path);
        (void)file.open(FileService::Mode::ReadWrite);
        (void)file.setSize(0);
        RecordBuffer starts(4);
        RecordBuffer sizes(4);
        ZlibCompressor compressor;
        (void)compressTextRecords(work, file, sizes, &starts, compressor);
    });
    std::remove(path);

    // The same pieces through zlib alone.
    std::vector<size_t> pieces;
    for (size_t done = 0; done < work.size();) {
        size_t n = std::min(kTextRecordSize, work.size() - done);
        if (n == kTextRecordSize && done + n < work.size()) {
            n = findRecordBreak(std::string_view(work).substr(done));
        }
        pieces.push_back(n);
        done += n;
    }
    std::vector<Bytef> out(kTextRecordSize + 64);
    double bareSeconds = bestSeconds(5, [&] {
        size_t done = 0;
        for (size_t n : pieces) {
            uLongf length = static_cast<uLongf>(out.size());
            compress(out.data(), &length, reinterpret_cast<const Bytef*>(work.data() + done),
                     static_cast<uLong>(n));
            done += n;
        }
    });
    std::printf("compressTextRecords    %8.1f MB/s  (%.3f s, %zu records)\n",
                megabytesPerSecond(work.size(), recordSeconds), recordSeconds, pieces.size());
    std::printf("bare zlib compress()   %8.1f MB/s  (%.3f s)   ratio %.3f (target <= 1.10)\n",
                megabytesPerSecond(work.size(), bareSeconds), bareSeconds, recordSeconds / bareSeconds);
}

} // namespace quillery::bench
