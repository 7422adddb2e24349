// The layout engine of the markup scan: measures characters with the device's glyph widths, finds
// the break opportunities, ends lines and pages on the device's page (kPageWidth x kPageHeight pixels), and
// appends the page entries.
//
// It works on the scanner's style state (font, style word, alignment, heading-span and index-item flags),
// which the break-point snapshots save and restore together with the position, so that text laid out again
// after a restore sees exactly the state it saw the first time.
#pragma once

#include "framework/record_buffer.h"
#include "markup/book_tables.h"
#include "markup/glyph_widths.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

// The part of the scan state that a break point saves and restores.
struct ScanStyle {
    uint16_t font = 0;
    uint16_t style = 0;
    uint16_t alignment = kAlignLeft; // kAlignLeft, kAlignCentre or kAlignRight
    bool inHeading = false;
    bool inIndex = false;
};

// A snapshot of the layout at a text position.
struct BreakPoint {
    size_t position = 0;
    uint32_t x = 0;
    uint32_t lineHeight = 11;
    ScanStyle style;
    bool softHyphen = false;
};

// The plain-text loop's view of a byte: its width in a glyph table in the low 16 bits, and above them three
// flags: a byte that ends plain text (line ends, '-', '_', backslash), a space, and a byte that is not an
// ordinary character (those two kinds together).
using TextEntries = std::array<uint32_t, 256>;
constexpr uint32_t kTextWidthMask = 0xFFFF;
constexpr uint32_t kTextStop = 1u << 16;
constexpr uint32_t kTextSpace = 1u << 17;
constexpr uint32_t kTextNotOrdinary = 1u << 18;
// The entries for one of the five glyph-width tables.
const TextEntries& textEntriesFor(const GlyphWidthTable* widths);

// Told when a line that opened a heading span or added a chapter moves to the next page.
class LineRetreatListener {
  public:
    virtual ~LineRetreatListener() = default;
    virtual void lineMovedToNextPage() = 0;
};

// Told what the layout decides, for the reader view; a build has none. Positions are text positions.
class LayoutObserver {
  public:
    virtual ~LayoutObserver() = default;
    // A line was committed: its text [start, end), its top on the page and its height.
    virtual void lineCommitted(size_t start, size_t end, uint32_t top, uint32_t height) = 0;
    // The scan goes back to `position`: nothing it measured from there on stands.
    virtual void rewound(size_t position) = 0;
    // The line breaks at the soft hyphen whose tag ends at `position`: the hyphen is measured at `x` in
    // `style` (after rewound(position)).
    virtual void softHyphenShown(size_t position, uint32_t x, const ScanStyle& style) = 0;
    // A page entry was appended at `pageStart` (page `pageIndex` of the pass); the scan goes on at `resume`
    // (after an opening heading's tag). The layout's checkpoint() is the state to go on from.
    virtual void pageStarted(uint32_t pageIndex, size_t pageStart, size_t resume) = 0;
};

// The whole state of a pass at a point between two steps, the scanner's style state included: scanning on
// from a checkpoint gives exactly what the pass gave from there.
struct LayoutCheckpoint {
    ScanStyle style;
    uint32_t x = 0;
    uint32_t y = 0;
    uint32_t lineHeight = 0;
    uint32_t pageCount = 0;
    bool topOfPage = true;
    bool spaceRun = false;
    bool chapterOnLine = false;
    uint32_t spaceRunX = 0;
    BreakPoint breakPoint;
    BreakPoint lineStart;
};

class Layout {
  public:
    static constexpr uint32_t kBaseLineHeight = 11;
    static constexpr uint32_t kDownAdvance = 33;
    static constexpr uint32_t kUnicodeWidth = 10;
    static constexpr uint32_t kUnicodeHeight = 14;
    static constexpr uint32_t kReferenceIcon = 16;
    static constexpr uint8_t kSoftHyphenCode = 173;

    Layout(std::string_view text, const RecordBuffer& recordStarts)
        : text_(text), recordStarts_(recordStarts) {}

    // Resets the layout for a pass and records page 0 at position 0. `pages` is null when no page entries are
    // recorded (dictionary builds). `style` is the scanner's style state, already reset for the pass.
    void startPass(ScanStyle* style, PageTable* pages, LineRetreatListener* retreat);
    // Null (the default) in a build. `pages` is told pageStarted() only; `lines` the rest.
    void setObservers(LayoutObserver* pages, LayoutObserver* lines) {
        pageObserver_ = pages;
        lineObserver_ = lines;
    }
    LayoutCheckpoint checkpoint() const;
    // Goes on from `checkpoint` (taken in this pass or one like it), recording no page entries; `style` is
    // the scanner's style state, set from the checkpoint.
    void resume(const LayoutCheckpoint& checkpoint, ScanStyle* style, LineRetreatListener* retreat);

    // Measuring.
    void measure(uint8_t code) {
        GlyphMetrics metrics = glyphMetricsFor(style_->font, style_->style);
        x_ += static_cast<uint32_t>((*metrics.widths)[code]);
        lineHeight_ = std::max(lineHeight_, metrics.lineHeight);
    }
    // An ordinary character: closes the space run, then is measured.
    void measureCharacter(uint8_t code) {
        spaceRun_ = false;
        measure(code);
    }
    // Plain text from `pos` on: ordinary characters, and single spaces that stand before an ordinary
    // character, exactly as the scanner would measure them one by one with a layout step after each, for as
    // long as those steps would do nothing. `pos` holds an ordinary character, or such a space while no space
    // run is open. Stops after the byte that makes the line overflow or that ends the text, or before any
    // other byte; returns the position after the last byte taken.
    // `pos` is before the last byte of the text.
    size_t measureText(size_t pos) {
        GlyphMetrics metrics = glyphMetricsFor(style_->font, style_->style);
        const TextEntries& entries = textEntriesFor(metrics.widths);
        const auto* bytes = reinterpret_cast<const uint8_t*>(text_.data());
        // Every byte taken is measured, and measured before any break point is recorded.
        lineHeight_ = std::max(lineHeight_, metrics.lineHeight);
        spaceRun_ = false;
        uint32_t x = x_;
        size_t breakAt = SIZE_MAX;
        uint32_t breakX = 0;
        // The last byte of the text is left to the caller, so that the byte after `pos` can always be read.
        const size_t limit = text_.size() - 1;
        // Branch-free over words and spaces: only the end of the run is a branch. One table load per byte:
        // the next byte's entry is kept for the next round.
        uint32_t entry = entries[bytes[pos]];
        for (;;) {
            uint32_t next = entries[bytes[pos + 1]];
            // Stop before anything but an ordinary character, and before a space that an ordinary character
            // does not follow: (space here and not ordinary next) moved onto the stop bit, or'ed with it.
            uint32_t spaceBeforeOther = (entry >> 1) & (next >> 2);
            if ((entry | spaceBeforeOther) & kTextStop) {
                break;
            }
            x += entry & kTextWidthMask;
            ++pos;
            // A space run of one before an ordinary character: the x before it is at most kPageWidth, so the
            // break point after it is recorded.
            bool space = (entry & kTextSpace) != 0;
            breakAt = space ? pos : breakAt;
            breakX = space ? x : breakX;
            if ((x > kPageWidth) | (pos >= limit)) {
                break;
            }
            entry = next;
        }
        x_ = x;
        if (breakAt != SIZE_MAX) {
            breakPoint_.position = breakAt;
            breakPoint_.x = breakX;
            breakPoint_.lineHeight = lineHeight_;
            breakPoint_.style = *style_;
            breakPoint_.softHyphen = false;
        }
        return pos;
    }
    bool spaceRunOpen() const { return spaceRun_; }
    // A box of fixed size (images, the \U placeholder).
    void addBox(uint32_t width, uint32_t height) {
        x_ += width;
        lineHeight_ = std::max(lineHeight_, height);
    }
    void closeSpaceRun() { spaceRun_ = false; }

    // A space, '-' or '_' at `position`, already known to be visible.
    void breakCharacter(size_t position);
    // LF or CR (visible).
    void lineEnd();
    // \p and an opening \x.
    void pageBreak();
    // \- whose tag ends at `after`.
    void softHyphen(size_t after);
    void recordBreakPoint(size_t position, bool softHyphen = false) {
        record(breakPoint_, position, softHyphen);
    }
    // \t switched on or off (the style bit has already been toggled).
    void indentChanged(bool on);
    // \d.
    void moveDown() { y_ += kDownAdvance; }
    // A heading span was opened at this step by a tag of `tagLength` bytes at the step's position.
    void markHeadingOpened(size_t tagLength) {
        headingOpened_ = true;
        headingTagLength_ = tagLength;
    }
    void markChapterOnLine() { chapterOnLine_ = true; }

    uint32_t x() const { return x_; }
    void setX(uint32_t x) { x_ = x; }
    uint32_t y() const { return y_; }
    uint32_t lineHeight() const { return lineHeight_; }
    uint32_t pageCount() const { return pageCount_; }
    // Pages of this pass past the most a page table can hold: counted, never recorded.
    size_t pagesNotKept() const { return pagesNotKept_; }
    bool topOfPage() const { return topOfPage_; }
    uint32_t lineStartX() const { return (style_->style & kStyleIndent) ? kBlockIndent : 0; }
    bool lineIsEmpty() const { return x_ == lineStartX(); }

    // The layout step, run after every byte or tag: `position` is the scan position after it, `itemStart` the
    // position of the byte or the tag's backslash, `itemStyle` the style state before it. Returns the
    // position where the scan goes on.
    // `kObserved`: whether a line observer may be set; a scan without one never looks for it (a page observer
    // is looked for once per page in any scan).
    template <bool kObserved = false>
    size_t step(size_t position, size_t itemStart, const ScanStyle& itemStyle) {
        if (!lineEndRequested_ && !pageBreakRequested_ && !headingOpened_ && position < text_.size() &&
            (spaceRun_ ? spaceRunX_ : x_) <= kPageWidth) {
            return position;
        }
        return fullStep<kObserved>(position, itemStart, itemStyle);
    }

  private:
    template <bool kObserved> size_t fullStep(size_t position, size_t itemStart, const ScanStyle& itemStyle);
    template <bool kObserved> size_t restore(const BreakPoint& point);
    // Field by field: building a snapshot elsewhere and copying it whole stalls on store forwarding, and this
    // runs at every break opportunity.
    void record(BreakPoint& point, size_t position, bool softHyphen) {
        point.position = position;
        point.x = x_;
        point.lineHeight = lineHeight_;
        point.style = *style_;
        point.softHyphen = softHyphen;
    }
    void recordBoth(size_t position);
    void appendPage(size_t position);

    std::string_view text_;
    const RecordBuffer& recordStarts_;
    ScanStyle* style_ = nullptr;
    PageTable* pages_ = nullptr;
    LineRetreatListener* retreat_ = nullptr;
    LayoutObserver* pageObserver_ = nullptr;
    LayoutObserver* lineObserver_ = nullptr;

    uint32_t x_ = 0;
    uint32_t y_ = 0;
    uint32_t lineHeight_ = kBaseLineHeight;
    uint32_t pageCount_ = 0;
    size_t pagesNotKept_ = 0;
    bool topOfPage_ = true;
    bool spaceRun_ = false;
    uint32_t spaceRunX_ = 0;
    BreakPoint breakPoint_;
    BreakPoint lineStart_;
    // Per step.
    bool lineEndRequested_ = false;
    bool pageBreakRequested_ = false;
    bool headingOpened_ = false;
    size_t headingTagLength_ = 0;
    // Per line.
    bool chapterOnLine_ = false;
};

} // namespace quillery
