#include "markup/line_collector.h"

#include "markup/glyph_widths.h"
#include "tdb/tag_table.h"

#include <algorithm>

namespace quillery {
namespace {

uint16_t styleWordOf(const ScanStyle& style) {
    return pageStyleWord(style.style, style.alignment, style.font);
}

uint32_t widthOf(std::string_view bytes, const ScanStyle& style) {
    const GlyphWidthTable& widths = *glyphMetricsFor(style.font, style.style).widths;
    uint32_t width = 0;
    for (char byte : bytes) {
        width += static_cast<uint32_t>(widths[static_cast<uint8_t>(byte)]);
    }
    return width;
}

ScanStyle scanStyleOf(uint16_t styleWord) {
    ScanStyle style;
    style.font = pageFont(styleWord);
    style.alignment = pageAlignment(styleWord);
    style.style = static_cast<uint16_t>(styleWord & ~pageStyleWord(0, 3, 0xF));
    return style;
}

} // namespace

void LineCollector::lineCommitted(size_t start, size_t end, uint32_t top, uint32_t height) {
    if (lines_ == nullptr) {
        return;
    }
    PageLine line;
    line.start = static_cast<uint32_t>(start);
    line.end = static_cast<uint32_t>(end);
    line.top = top;
    line.height = height;
    // The line's pieces: those that start before its end, and the hyphen drawn at its end. Nothing else can
    // be pending here; were it so, it would wait for the next line rather than be lost.
    auto onLine = [end](const LinePiece& piece) {
        return piece.start < end || (piece.kind == PieceKind::SoftHyphen && piece.start == end);
    };
    auto next = std::stable_partition(pending_.begin(), pending_.end(), onLine);
    line.pieces.assign(std::make_move_iterator(pending_.begin()), std::make_move_iterator(next));
    pending_.erase(pending_.begin(), next);
    for (const LinePiece& piece : line.pieces) {
        line.width = std::max(line.width, piece.x + piece.width);
    }
    lines_->push_back(std::move(line));
}

void LineCollector::rewound(size_t position) {
    if (lines_ == nullptr) {
        return;
    }
    while (!pending_.empty() && pending_.back().start >= position) {
        pending_.pop_back();
    }
    if (pending_.empty()) {
        return;
    }
    LinePiece& last = pending_.back();
    if (last.kind == PieceKind::Text && last.end > position) {
        last.text.resize(position - last.start);
        last.end = static_cast<uint32_t>(position);
        last.width = widthOf(last.text, scanStyleOf(last.style));
    }
}

void LineCollector::softHyphenShown(size_t position, uint32_t x, const ScanStyle& style) {
    if (lines_ == nullptr) {
        return;
    }
    LinePiece piece;
    piece.kind = PieceKind::SoftHyphen;
    piece.start = piece.end = static_cast<uint32_t>(position);
    piece.x = x;
    GlyphMetrics metrics = glyphMetricsFor(style.font, style.style);
    piece.width = static_cast<uint32_t>((*metrics.widths)[Layout::kSoftHyphenCode]);
    piece.height = metrics.lineHeight;
    piece.style = styleWordOf(style);
    piece.code = Layout::kSoftHyphenCode;
    pending_.push_back(std::move(piece));
}

void LineCollector::pageStarted(uint32_t pageIndex, size_t, size_t resume) {
    if (lines_ != nullptr) {
        scanner_.stop();
        return;
    }
    if (checkpoints_ != nullptr && pageIndex == checkpoints_->size() && pageIndex < limit_) {
        checkpoints_->push_back({scanner_.checkpoint(), resume});
    }
}

void LineCollector::charactersMeasured(size_t start, size_t end, uint32_t x, const ScanStyle& style) {
    if (lines_ == nullptr) {
        return;
    }
    std::string_view bytes = text_.substr(start, end - start);
    uint16_t styleWord = styleWordOf(style);
    uint32_t width = widthOf(bytes, style);
    if (!pending_.empty()) {
        LinePiece& last = pending_.back();
        if (last.kind == PieceKind::Text && last.style == styleWord && last.end == start &&
            last.x + last.width == x) {
            last.text.append(bytes);
            last.end = static_cast<uint32_t>(end);
            last.width += width;
            return;
        }
    }
    LinePiece piece;
    piece.start = static_cast<uint32_t>(start);
    piece.end = static_cast<uint32_t>(end);
    piece.x = x;
    piece.width = width;
    piece.height = glyphMetricsFor(style.font, style.style).lineHeight;
    piece.style = styleWord;
    piece.text.assign(bytes);
    pending_.push_back(std::move(piece));
}

std::string LineCollector::argumentOf(size_t tag) const {
    TagExtent extent = measureTag(text_, tag);
    if (!extent.hasArgument) {
        return {};
    }
    return std::string(text_.substr(extent.argumentStart, extent.argumentEnd - extent.argumentStart));
}

void LineCollector::tagScanned(const ScannedTag& tag) {
    if (lines_ == nullptr) {
        return;
    }
    LinePiece piece;
    piece.start = static_cast<uint32_t>(tag.start);
    piece.end = static_cast<uint32_t>(tag.end);
    piece.x = tag.xBefore;
    piece.width = tag.xAfter - tag.xBefore;
    piece.style = styleWordOf(tag.styleBefore);
    switch (tag.kind) {
    case TagKind::LiteralBackslash:
    case TagKind::DecimalCharacter:
        piece.kind = PieceKind::Character;
        piece.code = tag.code;
        piece.height = glyphMetricsFor(tag.styleBefore.font, tag.styleBefore.style).lineHeight;
        break;
    case TagKind::UnicodeCharacter:
        piece.kind = PieceKind::Unicode;
        piece.code = tag.code;
        piece.height = Layout::kUnicodeHeight;
        break;
    case TagKind::Image:
        piece.kind = PieceKind::Image;
        piece.height = tag.height;
        piece.name = argumentOf(tag.start);
        break;
    case TagKind::Rule:
        piece.kind = PieceKind::Rule;
        break;
    case TagKind::Indent:
        piece.kind = PieceKind::Indent;
        break;
    case TagKind::SidebarReference:
        piece.kind = PieceKind::SidebarReference;
        piece.height = Layout::kReferenceIcon;
        piece.name = argumentOf(tag.start);
        pending_.push_back(std::move(piece));
        return;
    case TagKind::FootnoteReference:
        piece.kind = PieceKind::FootnoteReference;
        piece.name = argumentOf(tag.start);
        pending_.push_back(std::move(piece));
        return;
    case TagKind::LinkReference:
        piece.kind = PieceKind::LinkReference;
        piece.name = argumentOf(tag.start);
        if (!piece.name.empty() && piece.name[0] == '#') {
            piece.name.erase(0, 1);
        }
        pending_.push_back(std::move(piece));
        return;
    case TagKind::Anchor:
        piece.kind = PieceKind::Anchor;
        piece.name = argumentOf(tag.start);
        pending_.push_back(std::move(piece));
        return;
    default:
        return;
    }
    if (tag.placed) {
        pending_.push_back(std::move(piece));
    }
}

} // namespace quillery
