#include "reader_view_bench.h"

#include "build/diagnostics.h"
#include "markup/paginate_book.h"
#include "markup/reader_view.h"
#include "paginate_bench.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

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

    // Rounds of the two alternate, so that a busy machine slows both alike; the best of each counts.
    double paginateSeconds = 1e30;
    double viewSeconds = 1e30;
    double firstPageSeconds = 1e30;
    std::unique_ptr<ReaderView> view;
    for (int round = 0; round < 5; ++round) {
        paginateSeconds = std::min(paginateSeconds, timed([&] {
                                       BookTables tables;
                                       (void)paginateBook(book, "/nonexistent", starts, tables, 0);
                                   }));
        view.reset();
        viewSeconds = std::min(viewSeconds, timed([&] {
                                   view = std::make_unique<ReaderView>(
                                       readerViewInputOf(book, starts, "/nonexistent", 0), ViewFont::Small);
                               }));
        firstPageSeconds = std::min(firstPageSeconds, timed([&] { (void)view->linesOf(0); }));
    }
    double slowestPage = 0;
    double allPages = 0;
    size_t lines = 0;
    for (size_t page = 0; page < view->pageCount(); ++page) {
        double took = timed([&] { lines += view->linesOf(page).size(); });
        slowestPage = std::max(slowestPage, took);
        allPages += took;
    }
    double onePass = paginateSeconds / 2;
    std::printf("ReaderView, small font  %4.2f MB in %8.2f ms  (one pass of paginateBook: %.2f ms)%s\n",
                megabytes, viewSeconds * 1e3, onePass * 1e3,
                viewSeconds <= onePass ? "" : "  ** over target **");
    std::printf(
        "ReaderView pages        %zu pages, %zu lines: first %.3f ms, slowest %.3f ms, all %.2f ms%s\n",
        view->pageCount(), lines, firstPageSeconds * 1e3, slowestPage * 1e3, allPages * 1e3,
        slowestPage < 1e-3 ? "" : "  ** over target **");
}

} // namespace quillery::bench
