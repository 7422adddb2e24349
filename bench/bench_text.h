// A generated book text for the benchmarks: prose with line ends, some bytes >= 128 and markup tags.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace quillery::bench {

std::string generateBookText(size_t bytes);

// The floor of any build: reads the source at `sourcePath` and compresses it into text records in a new
// file at `tempPath`, on this thread alone.
void readAndCompress(const std::string& sourcePath, const std::string& tempPath);

// Seconds taken by `work`, the best of `rounds` runs.
template <typename Work> double bestSeconds(int rounds, Work work) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = took.count() < best ? took.count() : best;
    }
    return best;
}

inline double megabytesPerSecond(size_t bytes, double seconds) {
    return bytes / seconds / 1e6;
}

} // namespace quillery::bench
