// The reader view's ear on the scan: it turns what the layout decides and what the scanner measures into
// the lines of a page and their pieces, dropping whatever a restored break point takes back.
#pragma once

#include "markup/layout.h"
#include "markup/reader_view.h"
#include "markup/scanner.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quillery {

// Where a page's scan starts: the state of the pass after the step that appended its entry.
struct PageCheckpoint {
    LayoutCheckpoint layout;
    size_t resume = 0;
};

class LineCollector final : public LayoutObserver, public ScanObserver {
  public:
    LineCollector(std::string_view text, Scanner& scanner) : text_(text), scanner_(scanner) {}

    // A whole pass: a checkpoint for every page, at most `limit` of them.
    void collectCheckpoints(std::vector<PageCheckpoint>* checkpoints, size_t limit) {
        checkpoints_ = checkpoints;
        limit_ = limit;
        lines_ = nullptr;
    }
    // The scan of one page: its lines into `lines`, and the scan stopped where the next page starts.
    void collectLines(std::vector<PageLine>* lines) {
        lines_ = lines;
        checkpoints_ = nullptr;
        pending_.clear();
    }

    void lineCommitted(size_t start, size_t end, uint32_t top, uint32_t height) override;
    void rewound(size_t position) override;
    void softHyphenShown(size_t position, uint32_t x, const ScanStyle& style) override;
    void pageStarted(uint32_t pageIndex, size_t pageStart, size_t resume) override;
    void charactersMeasured(size_t start, size_t end, uint32_t x, const ScanStyle& style) override;
    void tagScanned(const ScannedTag& tag) override;

  private:
    // The argument of the tag at `tag` (its name), empty without one.
    std::string argumentOf(size_t tag) const;

    std::string_view text_;
    Scanner& scanner_;
    std::vector<PageCheckpoint>* checkpoints_ = nullptr;
    size_t limit_ = 0;
    std::vector<PageLine>* lines_ = nullptr;
    // The pieces of the line being laid out.
    std::vector<LinePiece> pending_;
};

} // namespace quillery
