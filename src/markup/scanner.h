// The markup scanner: one pass over the text per font, classifying every byte, dispatching every
// tag with its exact byte consumption, and running the layout step after each byte or tag. Tags that carry
// data are handed to their collectors.
#pragma once

#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/chapter_collector.h"
#include "markup/image_collector.h"
#include "markup/image_converter.h"
#include "markup/index_collector.h"
#include "markup/layout.h"
#include "markup/link_collector.h"
#include "markup/reference_collector.h"
#include "markup/scan_context.h"
#include "markup/scan_report.h"
#include "tdb/book_tables.h"
#include "tdb/tag_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

class Scanner {
  public:
    Scanner(std::string_view text, const std::string& imageFolder, const RecordBuffer& textRecordStarts,
            BookTables& tables, uint32_t flags, ImageConverter convertImages = {});

    // Runs the passes (one in a dictionary build, else two), finishes the collected tables and returns Failed
    // when an error was reported.
    Verdict run();

    // Starts a first pass and scans only the tag whose backslash is the text's first byte; returns where the
    // scan goes on. For tests that hold the scanner's tag lengths against the record splitter's.
    size_t scanFirstTag();

  private:
    void startPass(bool firstPass);
    void runPass(bool firstPass);
    // The tag whose backslash is at `tag`; returns the position after it.
    size_t scanTag(size_t tag);
    // Tags that only measure, switch the style or move the layout.
    size_t scanStyleTag(size_t tag, const TagSpec& tagSpec);
    // Tags that open something or carry an argument.
    size_t scanDataTag(size_t tag, const TagSpec& tagSpec);
    size_t heading(size_t tag, const TagSpec& tagSpec);
    size_t indexItem(size_t tag, const TagSpec& tagSpec);
    void noteBoldTag(size_t tag, bool& seenThis, bool seenOther);
    void toggleScript(size_t tag, uint16_t bit, uint16_t other);
    void align(size_t tag, uint16_t alignment);
    void setFont(uint16_t font) { style_.font = style_.font != font ? font : normalFont_; }
    void toggle(uint16_t bit) { style_.style ^= bit; }
    bool invisible() const { return (style_.style & kStyleInvisible) != 0; }
    void finish();

    std::string_view text_;
    BookTables& tables_;
    bool dictionary_;
    bool recordPages_;
    ScanReporter report_;
    ScanContext context_;
    Layout layout_;
    ScanStyle style_;
    uint16_t normalFont_ = kFontSmall;
    // Whole book.
    bool seenSmallB_ = false;
    bool seenBigB_ = false;

    ChapterCollector chapters_;
    IndexCollector index_;
    LinkCollector links_;
    ReferenceCollector references_;
    ImageCollector images_;
};

} // namespace quillery
