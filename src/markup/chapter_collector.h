// Chapters: the \C tag, the heading spans \x and \Xn, the chapter count that keeps the chapter
// table in step with pagination, and the finishing of the chapter table.
#pragma once

#include "markup/book_tables.h"
#include "markup/layout.h"
#include "markup/scan_context.h"

#include <cstddef>
#include <cstdint>

namespace quillery {

class ChapterCollector final : public LineRetreatListener {
  public:
    ChapterCollector(ScanContext& context, ChapterTable& table) : context_(context), table_(table) {}

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

    // After the last pass: blanks every entry whose title and position equal those of an earlier kept entry
    //, then removes the entries with empty titles.
    void finish();

  private:
    void add(size_t tag, std::string title);
    void warnTooLong(size_t tag, const std::string& title);

    ScanContext& context_;
    ChapterTable& table_;
    uint32_t count_ = 0;
};

} // namespace quillery
