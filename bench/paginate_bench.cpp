#include "paginate_bench.h"

#include "build/diagnostics.h"
#include "markup/paginate_book.h"
#include "tdb/compressor.h"
#include "tdb/text_records.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <time.h>

namespace quillery::bench {
namespace {

// Compressed records are thrown away: the benchmark measures compression, not the disk.
class DiscardingFile final : public FileService {
  public:
    DiscardingFile() : FileService("/dev/null") {}
    int write(const void*, size_t) override { return 0; }
};

} // namespace

std::string makeMarkupBook(size_t bytes) {
    static const char* const kWords[] = {
        "the",
        "lamp",
        "keeper",
        "climbed",
        "ninety-one",
        "steps",
        "of",
        "tower",
        "and",
        "wrote",
        "a",
        "line",
        "in",
        "log",
        "wind",
        "sea",
        "ships",
        "island",
        "granite",
        "heather",
        "mile",
        "mainland",
        "tide",
        "world",
        "away",
        "northern",
        "shoulder",
        "bird",
        "forgotten",
        "how",
        "to",
        "fly",
        "evening",
        "she",
        "trimmed",
        "wick",
        "polished",
        "great",
        "lens",
        "square",
        "chamois",
        "flame",
        "going",
        "morning",
        "put",
        "out",
        "trawlers",
        "coaster",
        "village",
        "opinions",
        "about",
        "her",
        "quiet",
        "proud",
        "loved",
        "sailor",
        "who",
        "never",
        "came",
        "back",
        "none",
        "was",
        "true",
        "harm",
        "either",
        "found",
        "reputation",
        "kind",
        "weather",
        "dressed",
        "went",
        "anyway",
        "letter",
        "spring",
        "carried",
        "across",
        "causeway",
        "postman's",
        "boy",
        "waited",
        "door",
        "as",
        "if",
        "might",
        "explode",
        "board",
        "lights",
        "four",
        "careful",
        "paragraphs",
        "replaced",
        "automatic",
        "beacon",
        "before",
        "end",
        "year",
        "read",
        "twice",
        "kitchen",
        "table",
        "folded",
        "neat",
        "under",
        "clock",
        "made",
        "tea",
        "drank",
        "standing",
        "window",
        "watching",
        "gulls",
        "ride",
        "over",
        "cliff",
        "thought",
        "city",
        "asked",
        "when",
        "reply",
        "will",
        "go",
        "where",
        "said",
        "which",
        "puzzled",
        "him",
        "all",
        "way",
        "home",
        "last",
        "night",
        "whole",
        "shore",
        "nobody",
        "arranged",
        "people",
        "simply",
        "arrived",
        "ones",
        "twos",
        "lanterns",
        "flasks",
        "children",
        "wrapped",
        "blankets",
        "until",
        "beach",
        "below",
        "glittered",
        "like",
        "second",
        "harbour",
        "lit",
        "dusk",
        "done",
        "thousand",
        "times",
        "beam",
        "swung",
        "water",
        "rocks",
        "upturned",
        "faces",
        "sand",
        "moment",
        "seemed",
        "hold",
        "still",
        "looking",
        "them",
        "engineers",
        "crates",
        "cables",
        "gave",
        "key",
        "shook",
        "hands",
        "walked",
        "down",
        "time",
        "bottom",
        "turned",
        "looked",
        "up",
        "one",
        "more",
        "though",
        "would",
        "now",
        "clear",
        "light",
        "everyone",
        "harbourmaster",
        "fog",
        "horn",
        "rope",
        "salt",
        "storm",
        "lantern",
        "morning's",
        "boat",
        "oars",
        "net",
        "herring",
        "mackerel",
        "pier",
        "slipway",
        "kettle",
        "stove",
        "coal",
        "candle",
        "oilskin",
        "gale",
        "squall",
        "breakers",
        "spray",
        "headland",
        "lighthouse",
        "Dunlin",
        "Mara",
    };
    constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];
    std::string book;
    book.reserve(bytes + 4096);
    book += "\\Q=\"board\"";
    uint32_t state = 12345;
    auto next = [&state](uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    size_t chapter = 0;
    size_t paragraph = 0;
    while (book.size() < bytes) {
        if (paragraph % 30 == 0) {
            ++chapter;
            std::string number = std::to_string(chapter);
            book += "\\p\\C0=\"Chapter " + number + "\"\\c\\bChapter " + number + "\\b\\c\n\n";
        } else if (paragraph % 10 == 0) {
            book += "\\X1Part " + std::to_string(paragraph / 10 % 3) + "\\X1\n\n";
        }
        size_t words = 40 + next(80);
        for (size_t w = 0; w < words; ++w) {
            uint32_t pick = next(1000);
            if (pick < 8) {
                book += "\\i";
                book += kWords[next(kWordCount)];
                book += "\\i";
            } else if (pick < 10) {
                book += "\\q=\"#board\"";
                book += kWords[next(kWordCount)];
                book += "\\q";
            } else if (pick < 11) {
                book += "\\Fn=\"n" + std::to_string(next(50)) + "\"*\\Fn";
            } else if (pick < 14) {
                book += "caf\\a233";
            } else if (pick < 18) {
                book += "light\\-house";
            } else {
                book += kWords[next(kWordCount)];
            }
            uint32_t after = next(100);
            book += after < 8 ? ". " : after < 14 ? ", " : after < 15 ? "; " : " ";
        }
        book += "\n\n";
        ++paragraph;
    }
    return book;
}

namespace {

// CPU time of this thread: steadier than the wall clock on a shared machine.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Work> double bestSeconds(int rounds, Work work) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        double start = threadSeconds();
        work();
        best = std::min(best, threadSeconds() - start);
    }
    return best;
}

int ignoreReport(const Report&) {
    return 0;
}

} // namespace

void runPaginateBench() {
    const std::string book = makeMarkupBook(4 * 1024 * 1024);
    const double megabytes = static_cast<double>(book.size()) / (1024.0 * 1024.0);
    ReportHandler errors = errorHandler();
    ReportHandler warnings = warningHandler();
    ReportHandler notes = noteHandler();
    setErrorHandler(ignoreReport);
    setWarningHandler(ignoreReport);
    setNoteHandler(ignoreReport);

    RecordBuffer starts(4);
    bool compressed = true;
    auto compress = [&] {
        RecordBuffer sizes(4);
        starts.clear();
        DiscardingFile output;
        ZlibCompressor compressor;
        compressed = !failed(compressTextRecords(book, output, sizes, &starts, compressor)) && compressed;
    };
    bool paginated = true;
    size_t smallPages = 0;
    size_t largePages = 0;
    auto paginate = [&] {
        BookTables tables;
        paginated = !failed(paginateBook(book, "/nonexistent", starts, tables, 0)) && paginated;
        smallPages = tables.smallPages.size();
        largePages = tables.largePages.size();
    };
    // Rounds of the two alternate, so that a busy machine slows both alike; the best of each counts.
    double compressSeconds = 1e30;
    double paginateSeconds = 1e30;
    compress(); // warm up: the allocator's state, the caches
    paginate();
    for (int round = 0; round < 7; ++round) {
        compressSeconds = std::min(compressSeconds, bestSeconds(1, compress));
        paginateSeconds = std::min(paginateSeconds, bestSeconds(3, paginate));
    }

    setErrorHandler(errors);
    setWarningHandler(warnings);
    setNoteHandler(notes);

    double ratio = paginateSeconds / compressSeconds;
    std::printf("compressTextRecords     %4.2f MB in %8.2f ms  %8.1f MB/s\n", megabytes,
                compressSeconds * 1e3, megabytes / compressSeconds);
    std::printf(
        "paginateBook (2 passes) %4.2f MB in %8.2f ms  %8.1f MB/s  (%zu small, %zu large pages; CPU time)\n",
        megabytes, paginateSeconds * 1e3, megabytes / paginateSeconds, smallPages, largePages);
    std::printf("paginateBook / compressTextRecords = %.3f (target <= 0.300)%s%s\n", ratio,
                ratio <= 0.3 ? "" : "  ** over target **",
                compressed && paginated ? "" : "  ** a stage failed **");
}

} // namespace quillery::bench
