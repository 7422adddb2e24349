// Chapters: the \C tag, the heading spans \x and \Xn, the chapter count that keeps the chapter
// table in step with pagination, and the finishing of the chapter table.
#pragma once

#include "markup/layout.h"
#include "markup/scan_context.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillery {

class ChapterCollector final : public LineRetreatListener {
  public:
    ChapterCollector(ScanContext& context, ChapterTable& table, size_t& notKept)
        : context_(context), table_(table), notKept_(notKept) {}

    void startPass() { count_ = 0; }
    uint32_t count() const { return count_; }

    // \C at `tag`: validates the level and the argument, collects the title (an entry in the first pass) and
    // returns where the scan resumes: after the closing quote, or 3 bytes after the backslash without `="`.
    size_t chapterTag(size_t tag);

    // An opening \x or \Xn at `tag` (`letter` 'x' or 'X'): collects the title from the text that follows up
    // to the closing tag (the scanner does not skip it) and adds the entry in the first pass. Returns the
    // opening tag's length (2 or 3, cut by the end of the text).
    size_t openHeading(size_t tag, char letter);

    // A line that added a chapter moved to the next page: the last entry goes (first pass) and the count
    // drops.
    void lineMovedToNextPage() override;

    // After the last pass the table holds what finishing keeps: no entry with an empty title, none whose
    // title and position equal those of an earlier kept entry. The table keeps these as they come (below);
    // this releases the bookkeeping.
    void finish();

  private:
    void add(size_t tag, std::string title);
    void warnTooLong(size_t tag, const std::string& title);
    bool isKeptPosition(size_t position) const;
    void setKeptPosition(size_t position, bool kept);

    ScanContext& context_;
    ChapterTable& table_;
    size_t& notKept_;
    uint32_t count_ = 0;

    // The table of the first pass, as finishing will leave it. An entry with an empty title, or at the
    // position of a kept entry (the same tag, so the same title: a line laid out again), is dropped by
    // finishing; such entries are only counted, as "ghosts" after the kept entry they follow, so that
    // removing the last entry still removes the right one. `keptPositions_` marks the positions of the kept
    // entries, one bit per byte of the text.
    std::vector<uint64_t> keptPositions_;
    std::vector<uint32_t> ghostsAfter_{0}; // [i]: ghosts after kept entry i-1 ([0]: before the first)
    // Past the most a book can hold, entries are no longer kept: their positions are marked and the new ones
    // counted in notKept_, and `entriesPastLimit_` counts the entries (ghosts included) still to be removed
    // before the kept table is the last again. A line that is laid out again adds its entries again at the
    // same positions, so a removed entry past the limit never needs its mark cleared.
    size_t entriesPastLimit_ = 0;
};

} // namespace quillery
