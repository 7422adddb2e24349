#include "markup/layout.h"

#include "markup/text_positions.h"
#include "tdb/book_format.h"

namespace quillery {
namespace {

std::array<TextEntries, 5> buildTextEntries() {
    std::array<TextEntries, 5> tables{};
    for (size_t table = 0; table < tables.size(); ++table) {
        for (int byte = 0; byte < 256; ++byte) {
            uint32_t flags = 0;
            if (byte == ' ') {
                flags = kTextSpace | kTextNotOrdinary;
            } else if (byte == '\n' || byte == '\r' || byte == '-' || byte == '_' || byte == '\\') {
                flags = kTextStop | kTextNotOrdinary;
            }
            auto width = static_cast<uint32_t>(kGlyphWidths[table][byte]) & kTextWidthMask;
            tables[table][byte] = flags | width;
        }
    }
    return tables;
}

// kGlyphWidths is constant-initialised, so it is ready before this is built.
const std::array<TextEntries, 5> kTextEntries = buildTextEntries();

} // namespace

const TextEntries& textEntriesFor(const GlyphWidthTable* widths) {
    return kTextEntries[static_cast<size_t>(widths - kGlyphWidths.data())];
}

void Layout::startPass(ScanStyle* style, PageTable* pages, LineRetreatListener* retreat) {
    style_ = style;
    pages_ = pages;
    retreat_ = retreat;
    x_ = lineStartX();
    y_ = 0;
    lineHeight_ = kBaseLineHeight;
    pageCount_ = 0;
    pagesNotKept_ = 0;
    spaceRun_ = false;
    spaceRunX_ = 0;
    lineEndRequested_ = false;
    pageBreakRequested_ = false;
    headingOpened_ = false;
    headingTagLength_ = 0;
    chapterOnLine_ = false;
    appendPage(0);
    topOfPage_ = true;
    recordBoth(0);
    if (pageObserver_ != nullptr) {
        pageObserver_->pageStarted(0, 0, 0);
    }
}

LayoutCheckpoint Layout::checkpoint() const {
    LayoutCheckpoint point;
    point.style = *style_;
    point.x = x_;
    point.y = y_;
    point.lineHeight = lineHeight_;
    point.pageCount = pageCount_;
    point.topOfPage = topOfPage_;
    point.spaceRun = spaceRun_;
    point.chapterOnLine = chapterOnLine_;
    point.spaceRunX = spaceRunX_;
    point.breakPoint = breakPoint_;
    point.lineStart = lineStart_;
    return point;
}

void Layout::resume(const LayoutCheckpoint& point, ScanStyle* style, LineRetreatListener* retreat) {
    style_ = style;
    *style_ = point.style;
    pages_ = nullptr;
    retreat_ = retreat;
    x_ = point.x;
    y_ = point.y;
    lineHeight_ = point.lineHeight;
    pageCount_ = point.pageCount;
    pagesNotKept_ = 0;
    topOfPage_ = point.topOfPage;
    spaceRun_ = point.spaceRun;
    chapterOnLine_ = point.chapterOnLine;
    spaceRunX_ = point.spaceRunX;
    breakPoint_ = point.breakPoint;
    lineStart_ = point.lineStart;
    lineEndRequested_ = false;
    pageBreakRequested_ = false;
    headingOpened_ = false;
    headingTagLength_ = 0;
}

void Layout::breakCharacter(size_t position) {
    char c = text_[position];
    if (c == ' ') {
        if (!spaceRun_) {
            spaceRun_ = true;
            spaceRunX_ = x_;
        }
    } else {
        spaceRun_ = false;
    }
    measure(static_cast<uint8_t>(c));
    size_t next = position + 1;
    if (next >= text_.size()) {
        return;
    }
    char following = text_[next];
    if (following == '\n' || following == '\r') {
        recordBreakPoint(next);
    } else if (following == ' ') {
        // still inside the run
    } else if (following == '-' || following == '_') {
        spaceRun_ = false;
    } else {
        if ((spaceRun_ ? spaceRunX_ : x_) <= kPageWidth) {
            recordBreakPoint(next);
        }
        spaceRun_ = false;
    }
}

void Layout::lineEnd() {
    spaceRun_ = false;
    if (!(topOfPage_ && lineIsEmpty())) {
        lineEndRequested_ = true;
    }
}

void Layout::pageBreak() {
    if (!(topOfPage_ && lineIsEmpty())) {
        pageBreakRequested_ = true;
    }
}

void Layout::softHyphen(size_t after) {
    GlyphMetrics metrics = glyphMetricsFor(style_->font, style_->style);
    if (static_cast<int64_t>(x_) + (*metrics.widths)[kSoftHyphenCode] <= kPageWidth) {
        recordBreakPoint(after, true);
    }
}

void Layout::indentChanged(bool on) {
    if (on && x_ == 0) {
        x_ = kBlockIndent;
    } else if (!on && x_ == kBlockIndent) {
        x_ = 0;
    }
}

template <bool kObserved> size_t Layout::restore(const BreakPoint& point) {
    x_ = point.x;
    lineHeight_ = point.lineHeight;
    *style_ = point.style;
    spaceRun_ = false;
    if (kObserved && lineObserver_ != nullptr) {
        lineObserver_->rewound(point.position);
        if (point.softHyphen) {
            lineObserver_->softHyphenShown(point.position, x_, *style_);
        }
    }
    if (point.softHyphen) {
        measure(kSoftHyphenCode);
    }
    return point.position;
}

void Layout::recordBoth(size_t position) {
    record(breakPoint_, position, false);
    record(lineStart_, position, false);
}

void Layout::appendPage(size_t position) {
    // A book with more pages is refused, and a source of page breaks would otherwise need many times its
    // own size in memory: the pages past the limit are only counted.
    if (pages_ != nullptr && pages_->size() >= kMaxPageEntries) {
        ++pagesNotKept_;
    } else if (pages_ != nullptr) {
        RecordPlace place = recordPlaceOf(recordStarts_, static_cast<uint32_t>(position));
        PageEntry entry;
        entry.pageIndex = static_cast<uint16_t>(pageCount_);
        entry.record = place.record;
        entry.offset = place.offset;
        entry.position = static_cast<uint32_t>(position);
        entry.style = pageStyleWord(style_->style, style_->alignment, style_->font);
        pages_->push_back(entry);
    }
    ++pageCount_;
}

template <bool kObserved>
size_t Layout::fullStep(size_t position, size_t itemStart, const ScanStyle& itemStyle) {
    size_t p = position;
    // 1-2: overflow.
    uint32_t effectiveX = spaceRun_ ? spaceRunX_ : x_;
    if (!lineEndRequested_ && effectiveX > kPageWidth) {
        if (breakPoint_.position == lineStart_.position) {
            // No break opportunity on this line: cut before the item that overflowed it, never at the
            // line start itself.
            if (itemStart > lineStart_.position && itemStart < p) {
                p = itemStart;
                *style_ = itemStyle;
                if (kObserved && lineObserver_ != nullptr) {
                    lineObserver_->rewound(p);
                }
            }
            recordBreakPoint(p);
        } else {
            p = restore<kObserved>(breakPoint_);
            headingOpened_ = false;
        }
        lineEndRequested_ = true;
    }
    // 3.
    if (pageBreakRequested_ || p >= text_.size()) {
        lineEndRequested_ = true;
    }
    // 4.
    if (lineEndRequested_) {
        // the first line of a page is committed on it even when it does not fit.
        if (y_ + lineHeight_ > kPageHeight && !topOfPage_) {
            if (headingOpened_ || chapterOnLine_) {
                headingOpened_ = false;
                chapterOnLine_ = false;
                style_->inHeading = false;
                if (retreat_ != nullptr) {
                    retreat_->lineMovedToNextPage();
                }
            }
            p = restore<kObserved>(lineStart_);
            pageBreakRequested_ = true;
        } else {
            if (kObserved && lineObserver_ != nullptr) {
                lineObserver_->lineCommitted(lineStart_.position, p, y_, lineHeight_);
            }
            y_ += lineHeight_;
            topOfPage_ = false;
            chapterOnLine_ = false;
        }
        lineHeight_ = kBaseLineHeight;
        x_ = lineStartX();
        spaceRun_ = false;
        recordBoth(p);
    }
    // 5.
    bool pageAppended = pageBreakRequested_;
    size_t pageStart = p;
    if (pageBreakRequested_) {
        appendPage(p);
        topOfPage_ = true;
        y_ = 0;
        recordBoth(p);
    }
    // 6 (an opening heading resumes right after its own tag).
    if (headingOpened_) {
        p = std::min(p + headingTagLength_, text_.size());
    }
    lineEndRequested_ = false;
    pageBreakRequested_ = false;
    headingOpened_ = false;
    // Once per page, so a build's step may look.
    if (pageAppended && pageObserver_ != nullptr) {
        pageObserver_->pageStarted(pageCount_ - 1, pageStart, p);
    }
    return p;
}

template size_t Layout::fullStep<false>(size_t, size_t, const ScanStyle&);
template size_t Layout::fullStep<true>(size_t, size_t, const ScanStyle&);

} // namespace quillery
