#include "index_bench.h"

#include "bench_text.h"
#include "build/build_book.h"
#include "framework/diagnostics.h"
#include "markup/paginate_book.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <time.h>
#include <unistd.h>

namespace quillery::bench {
namespace {

constexpr size_t kItems = 100000;

// A dictionary: one headword per line, in no order (the build sorts them), some capitalised, some with
// hyphens, apostrophes or accented letters, each followed by a short definition.
std::string makeDictionary() {
    static const char* const kDefinition[] = {"a",  "small", "bird", "of",   "the",   "northern", "shore",
                                              "to", "trim",  "a",    "wick", "light", "stone",    "tide"};
    static const char* const kFirst[] = {"", "", "", "", "", "", "", "", "\xC9", "\xE9", "\xC0", "\xF1"};
    std::string text = "TITLE=\"Dictionary\"\n";
    text.reserve(kItems * 60);
    uint32_t state = 7;
    auto next = [&state](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    for (size_t i = 0; i < kItems; ++i) {
        std::string word = kFirst[next(sizeof kFirst / sizeof kFirst[0])];
        size_t letters = 3 + next(10);
        for (size_t l = 0; l < letters; ++l) {
            word += static_cast<char>('a' + next(26));
        }
        uint32_t kind = next(20);
        if (kind == 0) {
            word[0] = static_cast<char>(word[0] & ~0x20);
        } else if (kind == 1) {
            word.insert(word.size() / 2, 1, '-');
        } else if (kind == 2) {
            word.insert(1, 1, '\'');
        }
        text += "\\I" + word + "\\I ";
        size_t words = 4 + next(8);
        for (size_t w = 0; w < words; ++w) {
            text += kDefinition[next(sizeof kDefinition / sizeof kDefinition[0])];
            text += w + 1 < words ? " " : ".\n";
        }
    }
    return text;
}

// CPU time of this thread: steadier than the wall clock on a shared machine.
template <typename Work> double cpuSeconds(Work work) {
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    work();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return static_cast<double>(end.tv_sec - start.tv_sec) +
           static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
}

std::string withoutIndexTags(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'I') {
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

} // namespace

void runIndexBench() {
    char folder[] = "/tmp/quillery-index-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("dictionary build       (no scratch folder)\n");
        return;
    }
    const std::string indexed = std::string(folder) + "/indexed.tml";
    const std::string plain = std::string(folder) + "/plain.tml";
    const std::string output = std::string(folder) + "/book.tdb";
    const std::string dictionary = makeDictionary();
    std::ofstream(indexed, std::ios::binary) << dictionary;
    std::ofstream(plain, std::ios::binary) << withoutIndexTags(dictionary);

    ReportHandler silent = [](const Report&) { return 0; };
    ReportHandler error = errorHandler(), warning = warningHandler(), note = noteHandler();
    setErrorHandler(silent);
    setWarningHandler(silent);
    setNoteHandler(silent);
    BookInfo info;
    info.title = u"Dictionary";
    bool built = true;
    auto build = [&](const std::string& path) {
        FileService source(path);
        FileService book(output);
        built = !failed(buildBook(&source, &book, info, kFlagDictionary)) && built;
    };
    // Rounds of the two alternate, so that a busy machine slows both alike; the best of each counts.
    double indexedSeconds = 1e30;
    double plainSeconds = 1e30;
    for (int round = 0; round < 5; ++round) {
        indexedSeconds = std::min(indexedSeconds, cpuSeconds([&] { build(indexed); }));
        plainSeconds = std::min(plainSeconds, cpuSeconds([&] { build(plain); }));
    }
    setErrorHandler(error);
    setWarningHandler(warning);
    setNoteHandler(note);

    double ratio = indexedSeconds / plainSeconds;
    std::printf(
        "dictionary build        %zu index items, %.1f MB: %.3f s; without the \\I tags %.3f s (CPU time)\n",
        kItems, dictionary.size() / 1e6, indexedSeconds, plainSeconds);
    std::printf("dictionary / without index = %.3f (target <= 1.500)%s%s\n", ratio,
                ratio <= 1.5 ? "" : "  ** over target **", built ? "" : "  ** a build failed **");
    std::remove(output.c_str());
    std::remove(indexed.c_str());
    std::remove(plain.c_str());
    rmdir(folder);
}

} // namespace quillery::bench
