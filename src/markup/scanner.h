// The markup scanner: one pass over the text per font, classifying every byte, dispatching every
// tag with its exact byte consumption, and running the layout step after each byte or tag. Tags that carry
// data are handed to their collectors.
#pragma once

#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/book_tables.h"
#include "markup/chapter_collector.h"
#include "markup/image_collector.h"
#include "markup/index_collector.h"
#include "markup/layout.h"
#include "markup/link_collector.h"
#include "markup/reference_collector.h"
#include "markup/scan_context.h"
#include "markup/scan_report.h"
#include "tdb/tag_table.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// What one tag did, for an observer of the scan.
struct ScannedTag {
    size_t start = 0; // the backslash
    size_t end = 0;   // where the scan went on
    // The tag as the scan took it: NoEffect for a reference tag that closed a reference.
    TagKind kind = TagKind::NoEffect;
    ScanStyle styleBefore;
    uint32_t xBefore = 0;
    uint32_t xAfter = 0;
    // Whether it placed something: a visible \\, \a or \U character, an image, a rule or indent that acts.
    bool placed = false;
    uint16_t code = 0;   // the character of \\ and \a (device code), of \U (its value)
    uint32_t height = 0; // an image's height in the line
};

// Told every byte and tag a scan measures, for the reader view; a build has none.
class ScanObserver {
  public:
    virtual ~ScanObserver() = default;
    // Bytes [start, end) measured one after another from x in `style` (ordinary characters, spaces, '-' and
    // '_'; never a line end, never invisible text).
    virtual void charactersMeasured(size_t start, size_t end, uint32_t x, const ScanStyle& style) = 0;
    virtual void tagScanned(const ScannedTag& tag) = 0;
};

class Scanner {
  public:
    Scanner(std::string_view text, const std::string& imageFolder, const RecordBuffer& textRecordStarts,
            BookTables& tables, uint32_t flags);

    // Runs the passes (one in a dictionary build, else two), finishes the collected tables and returns Failed
    // when an error was reported.
    Verdict run();

    // Starts a first pass and scans only the tag whose backslash is the text's first byte; returns where the
    // scan goes on. For tests that hold the scanner's tag lengths against the record splitter's.
    size_t scanFirstTag();

    // The reader view. A view pass collects nothing into the tables and prints as a second pass would
    // (the view silences the reports). `pages` is told where pages start, `lines` the lines, `items` every
    // measured byte and tag of an observed scan.
    void setObservers(LayoutObserver* pages, LayoutObserver* lines, ScanObserver* items);
    void useImageSizes(const ImageSizeSource* sizes) { images_.useSizes(sizes); }
    // One whole pass in the normal font `normalFont`, its page entries into `pages`.
    void runViewPass(uint16_t normalFont, PageTable* pages);
    // Scans on from `checkpoint` at `resume` (as the layout observer was told them in a view pass of the same
    // font), reporting to both observers, until stop() is called or the text ends.
    void scanFrom(uint16_t normalFont, const LayoutCheckpoint& checkpoint, size_t resume);
    void stop() { stopRequested_ = true; }
    LayoutCheckpoint checkpoint() const { return layout_.checkpoint(); }

  private:
    void startPass(bool firstPass);
    void preparePass(bool firstPass, uint16_t normalFont, PageTable* pages);
    void runPass(bool firstPass);
    // The scan loop from `pos` to the end of the text; an observed loop tells the scan and line observers
    // and stops when asked.
    template <bool kObserved> void scanLoop(size_t pos);
    void observeItem(size_t start, size_t end, uint32_t xBefore, const ScanStyle& before);
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
    void placeCharacter(uint16_t code) {
        lastTag_.placed = true;
        lastTag_.code = code;
    }
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
    // A reference tag while a reference is open closes it bare, whatever follows.
    bool closesReference(const TagSpec& tagSpec, const ScanStyle& style) const {
        return tagSpec.argument == TagArgument::Opening && (style.style & kStyleReference) != 0;
    }
    // What the last tag placed (for the scan observer).
    ScannedTag lastTag_;
    ScanObserver* observer_ = nullptr;
    bool stopRequested_ = false;
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
