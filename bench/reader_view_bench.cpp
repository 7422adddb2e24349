#include "reader_view_bench.h"

#include "build/diagnostics.h"
#include "markup/paginate_book.h"
#include "markup/reader_view.h"
#include "paginate_bench.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

namespace quillery::bench {
namespace {

// CPU time of this thread: steadier than the wall clock on a shared machine.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

template <typename Work> double timed(Work work) {
    double start = threadSeconds();
    work();
    return threadSeconds() - start;
}

class QuietSink final : public DiagnosticSink {
  public:
    int report(const Report&) override { return 0; }
};

// Record starts every 8000 bytes, close to where a build cuts them.
RecordBuffer recordStartsOf(const std::string& text) {
    RecordBuffer starts(4);
    for (size_t at = 0; at < text.size(); at += 8000) {
        (void)starts.appendU32(static_cast<uint32_t>(at));
    }
    (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    return starts;
}

} // namespace

void runReaderViewBench() {
    const std::string book = makeMarkupBook(9 * 512 * 1024);
    const double megabytes = static_cast<double>(book.size()) / (1024.0 * 1024.0);
    QuietSink quiet;
    ReportSinkScope silence(&quiet);
    RecordBuffer starts = recordStartsOf(book);

    // Rounds alternate, so that a busy machine slows all alike; the best of each counts.
    double paginateSeconds = 1e30;
    double viewSeconds[2] = {1e30, 1e30};
    double firstPageSeconds = 1e30;
    std::unique_ptr<ReaderView> view;
    for (int round = 0; round < 5; ++round) {
        paginateSeconds = std::min(paginateSeconds, timed([&] {
                                       BookTables tables;
                                       (void)paginateBook(book, "/nonexistent", starts, tables, 0);
                                   }));
        for (ViewFont font : {ViewFont::Large, ViewFont::Small}) {
            view.reset();
            double& best = viewSeconds[font == ViewFont::Small ? 0 : 1];
            best = std::min(best, timed([&] {
                                view = std::make_unique<ReaderView>(
                                    readerViewInputOf(book, starts, "/nonexistent", 0), font);
                            }));
        }
        firstPageSeconds = std::min(firstPageSeconds, timed([&] { (void)view->linesOf(0); }));
    }
    std::vector<double> pageSeconds;
    size_t lines = 0;
    for (size_t page = 0; page < view->pageCount(); ++page) {
        pageSeconds.push_back(timed([&] { lines += view->linesOf(page).size(); }));
    }
    double allPages = 0;
    for (double seconds : pageSeconds) {
        allPages += seconds;
    }
    std::sort(pageSeconds.begin(), pageSeconds.end());
    double bothViews = viewSeconds[0] + viewSeconds[1];
    std::printf(
        "ReaderView              %4.2f MB: small %.2f ms + large %.2f ms = %.2f ms; paginateBook (both "
        "fonts) %.2f ms%s\n",
        megabytes, viewSeconds[0] * 1e3, viewSeconds[1] * 1e3, bothViews * 1e3, paginateSeconds * 1e3,
        bothViews <= paginateSeconds ? "" : "  ** over target **");
    std::printf(
        "ReaderView pages        %zu small pages, %zu lines: first %.3f ms; median %.3f, 99th percentile "
        "%.3f, slowest %.3f ms; all %.2f ms%s\n",
        view->pageCount(), lines, firstPageSeconds * 1e3, pageSeconds[pageSeconds.size() / 2] * 1e3,
        pageSeconds[pageSeconds.size() * 99 / 100] * 1e3, pageSeconds.back() * 1e3, allPages * 1e3,
        pageSeconds[pageSeconds.size() * 99 / 100] < 1e-3 ? "" : "  ** over target **");
}

} // namespace quillery::bench
