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

// About `bytes` of book text: chapters, headings, paragraphs with style tags, links, soft hyphens, page
// breaks.
std::string makeBook(size_t bytes) {
    static const char* const kParagraphs[] = {
        "Mara Dunlin kept the lamp on Gull Point for eleven winters before anyone thought to ask her why. "
        "The "
        "island was a wedge of granite and heather, a mile from the mainland at low tide and a world away at "
        "high, and the lamp sat on its northern shoulder like a bird that had forgotten how to fly.\n\n",
        "Every evening she climbed the ninety-one steps of the tower, trimmed the wick, polished the great "
        "lens "
        "with a square of chamois and set the flame going. \\iNW, moderate. Two trawlers, one coaster.\\i "
        "Some "
        "mornings it was only a single word: \\bClear\\b.\n\n",
        "The village on the mainland had its opinions about her. She was too quiet, or too proud, or she had "
        "loved a sailor who never came back. None of it was true, but none of it did any harm either, and "
        "Mara "
        "found that a reputa\\-tion was a kind of weather: you dressed for it and went out anyway.\n\n",
        "\\c\\uThe letter\\u\\c came in the spring, carried across the causeway by the postman's boy, who "
        "waited "
        "at the door as if it might explode. See \\q=\"#board\"the Board of Lights\\q for the four careful "
        "paragraphs; the caf\\a233 on the quay had a copy pinned up by noon.\n\n",
        "\\tShe made tea. She drank it standing at the window, watching the gulls ride the wind over the "
        "cliff, "
        "and she thought about the ninety-one steps and the \\Spsecond\\Sp harbour glittering below.\\t\n\n",
    };
    std::string book;
    book.reserve(bytes + 4096);
    book += "\\Q=\"board\"";
    size_t chapter = 0;
    size_t paragraph = 0;
    while (book.size() < bytes) {
        if (paragraph % 24 == 0) {
            ++chapter;
            book += "\\p\\C0=\"Chapter " + std::to_string(chapter) + "\"\\c\\bChapter " +
                    std::to_string(chapter) + "\\b\\c\n\n";
        } else if (paragraph % 8 == 0) {
            book += "\\X1Part " + std::to_string(paragraph / 8 % 3) + "\\X1\n\n";
        }
        book += kParagraphs[paragraph % (sizeof kParagraphs / sizeof kParagraphs[0])];
        ++paragraph;
    }
    return book;
}

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
    const std::string book = makeBook(4 * 1024 * 1024);
    const double megabytes = static_cast<double>(book.size()) / (1024.0 * 1024.0);
    ReportHandler errors = errorHandler();
    ReportHandler warnings = warningHandler();
    ReportHandler notes = noteHandler();
    setErrorHandler(ignoreReport);
    setWarningHandler(ignoreReport);
    setNoteHandler(ignoreReport);

    RecordBuffer starts(4);
    bool compressed = true;
    double compressSeconds = bestSeconds(3, [&] {
        RecordBuffer sizes(4);
        starts.clear();
        DiscardingFile output;
        ZlibCompressor compressor;
        compressed = !failed(compressTextRecords(book, output, sizes, &starts, compressor)) && compressed;
    });
    bool paginated = true;
    size_t smallPages = 0;
    size_t largePages = 0;
    double paginateSeconds = bestSeconds(5, [&] {
        BookTables tables;
        paginated = !failed(paginateBook(book, "/nonexistent", starts, tables, 0)) && paginated;
        smallPages = tables.smallPages.size();
        largePages = tables.largePages.size();
    });

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
