#include "app/page_renderer.h"

#include "app/device_fonts.h"
#include "framework/windows1252.h"
#include "markup/glyph_widths.h"

#include <QGlyphRun>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quillery {
namespace {

const QColor kPaper(255, 255, 255);
const QColor kInk(0, 0, 0);
constexpr uint16_t kStyleBitsMask = 0xFF80; // the style bits of a style word, without alignment and font
constexpr qreal kItalicSlant = -0.2;        // x moves right by a fifth of the height above the baseline
constexpr uint8_t kSoftHyphenCode = 173;
// How far a letter may be narrowed or widened to fit its cell; beyond that it keeps its width, centred.
constexpr qreal kNarrowest = 0.6;
constexpr qreal kWidest = 1.25;

struct LineFrame {
    int top = 0;
    int bottom = 0;
    int shift = 0;
};

uint16_t styleBits(uint16_t word) {
    return word & kStyleBitsMask;
}

// The top of the box a run of text of this style stands in: the bottom of the line less the line height
// of its glyph table; superscript reaches up to the top of the normal text of its font.
int textBoxTop(const LineFrame& frame, uint16_t word, const DeviceFont& font) {
    uint16_t style = styleBits(word);
    if (style & kStyleSuperscript) {
        uint16_t normal = style & static_cast<uint16_t>(~(kStyleSuperscript | kStyleSubscript));
        return frame.bottom - static_cast<int>(glyphMetricsFor(pageFont(word), normal).lineHeight);
    }
    return frame.bottom - static_cast<int>(font.lineHeight);
}

// Draws one character in its cell [x, x + width), centred there, on `baseline`. False when the font has no
// glyph for it.
bool drawGlyph(QPainter& painter, const DeviceFont& font, char16_t character, int x, int width,
               qreal baseline, bool italic) {
    if (!font.font.isValid()) {
        return false;
    }
    QList<quint32> glyphs = font.font.glyphIndexesForString(QString(QChar(character)));
    if (glyphs.size() != 1 || glyphs[0] == 0) {
        return false;
    }
    // Each letter is fitted to its cell, so that its neighbours stand where the device puts them.
    qreal advance = font.font.advancesForGlyphIndexes(glyphs).value(0).x();
    qreal narrowing = advance > 0 ? std::clamp(width / advance, kNarrowest, kWidest) : font.narrowing;
    QGlyphRun run;
    run.setRawFont(font.font);
    run.setGlyphIndexes(glyphs);
    run.setPositions({QPointF(0, 0)});
    QTransform place;
    place.translate(x + std::floor((width - advance * narrowing) / 2), baseline);
    place.scale(narrowing, 1);
    if (italic) {
        place.shear(kItalicSlant, 0);
    }
    painter.save();
    painter.setTransform(place);
    painter.drawGlyphRun(QPointF(0, 0), run);
    painter.restore();
    return true;
}

// What a device code shows: nothing for the controls and the space, a hyphen for the soft hyphen.
char16_t shownCharacter(uint8_t code) {
    if (code <= ' ' || code == 127) {
        return 0;
    }
    return code == kSoftHyphenCode ? u'-' : windows1252ToUnicode(code);
}

void drawDots(QPainter& painter, int from, int to, int y) {
    for (int x = from; x < to; x += 2) {
        painter.fillRect(x, y, 1, 1, kInk);
    }
}

// Text, a \\ or \a character, or the hyphen of a soft hyphen break: glyph by glyph from the piece's x.
void drawText(QPainter& painter, const LineFrame& frame, const LinePiece& piece) {
    const DeviceFont& font = DeviceFonts::shared().fontFor(pageFont(piece.style), styleBits(piece.style));
    const int boxTop = textBoxTop(frame, piece.style, font);
    const qreal baseline = boxTop + font.ascent;
    const bool italic = (piece.style & kStyleItalic) != 0;
    std::string codes = piece.kind == PieceKind::Text ? piece.text : std::string(1, char(piece.code));
    int x = frame.shift + static_cast<int>(piece.x);
    const int start = x;
    for (char byte : codes) {
        auto code = static_cast<uint8_t>(byte);
        int width = static_cast<int>(glyphWidth(piece.style, code)); // as the layout measured it
        if (char16_t character = shownCharacter(code)) {
            drawGlyph(painter, font, character, x, width, baseline, italic);
        }
        x += width;
    }
    if (piece.style & kStyleUnderline) {
        painter.fillRect(start, std::min(frame.bottom - 1, int(baseline) + 1), x - start, 1, kInk);
    }
    if (piece.style & kStyleOverstrike) {
        painter.fillRect(start, int(baseline - font.font.xHeight() / 2), x - start, 1, kInk);
    }
    if (piece.style & kStyleReference) {
        drawDots(painter, start, x, frame.bottom - 1);
    }
}

// A \U character: its glyph when the font has one, else an empty box, in the placeholder's room.
void drawUnicode(QPainter& painter, const LineFrame& frame, const LinePiece& piece) {
    const DeviceFont& font = DeviceFonts::shared().fontFor(kFontLarge, styleBits(piece.style));
    QRect box(frame.shift + int(piece.x), frame.bottom - int(piece.height), int(piece.width),
              int(piece.height));
    bool italic = (piece.style & kStyleItalic) != 0;
    if (!drawGlyph(painter, font, char16_t(piece.code), box.x(), box.width(), box.top() + font.ascent,
                   italic)) {
        painter.setPen(kInk);
        painter.drawRect(box.adjusted(1, 1, -2, -2));
    }
}

// A picture's room when the picture cannot be shown: a frame with a cross.
void drawPlaceholder(QPainter& painter, const QRect& room) {
    painter.setPen(kInk);
    painter.drawRect(room.adjusted(0, 0, -1, -1));
    painter.drawLine(room.topLeft(), room.bottomRight());
    painter.drawLine(room.bottomLeft(), room.topRight());
}

void drawImage(QPainter& painter, const LineFrame& frame, const LinePiece& piece, const PageArt& art) {
    QRect room(frame.shift + int(piece.x), frame.bottom - int(piece.height), int(piece.width),
               int(piece.height));
    QImage picture = art.image ? art.image(piece.name) : QImage();
    // A picture laid out at another size (too large for the page) shows as the placeholder it took.
    if (picture.isNull() || picture.size() != room.size()) {
        drawPlaceholder(painter, room);
        return;
    }
    painter.drawImage(room.topLeft(), picture);
}

// The sidebar icon: a page with a folded corner and three lines of text.
void drawSidebarIcon(QPainter& painter, const QRect& room) {
    painter.setPen(kInk);
    const int left = room.left() + 2;
    const int top = room.top() + 1;
    const int right = room.left() + 13;
    const int bottom = room.top() + 14;
    painter.drawPolyline(QPolygon({QPoint(right - 3, top), QPoint(left, top), QPoint(left, bottom),
                                   QPoint(right, bottom), QPoint(right, top + 3), QPoint(right - 3, top),
                                   QPoint(right - 3, top + 3), QPoint(right, top + 3)}));
    for (int y = top + 5; y <= bottom - 3; y += 3) {
        painter.drawLine(left + 2, y, right - 2, y);
    }
}

// The share of the line a rule's tag asks for (\w="50%"), from its digits; the whole line when unreadable.
uint32_t ruleShare(std::string_view tag) {
    size_t digits = tag.find("=\"");
    uint32_t percent = 0;
    bool any = false;
    for (size_t at = digits == std::string_view::npos ? tag.size() : digits + 2;
         at < tag.size() && tag[at] >= '0' && tag[at] <= '9'; ++at) {
        percent = std::min<uint32_t>(100, percent * 10 + uint32_t(tag[at] - '0'));
        any = true;
    }
    return any ? percent : 100;
}

void drawRule(QPainter& painter, const LineFrame& frame, const LinePiece& piece, const PageArt& art) {
    std::string_view tag;
    if (piece.start <= piece.end && piece.end <= art.text.size()) {
        tag = art.text.substr(piece.start, piece.end - piece.start);
    }
    int length = static_cast<int>(kPageWidth * ruleShare(tag) / 100);
    length = std::min(length, int(piece.width));
    int left = frame.shift + int(piece.x) + (int(piece.width) - length) / 2;
    painter.fillRect(left, (frame.top + frame.bottom) / 2, length, 1, kInk);
}

void drawPiece(QPainter& painter, const LineFrame& frame, const LinePiece& piece, const PageArt& art) {
    switch (piece.kind) {
    case PieceKind::Text:
    case PieceKind::Character:
    case PieceKind::SoftHyphen:
        drawText(painter, frame, piece);
        break;
    case PieceKind::Unicode:
        drawUnicode(painter, frame, piece);
        break;
    case PieceKind::Image:
        drawImage(painter, frame, piece, art);
        break;
    case PieceKind::Rule:
        drawRule(painter, frame, piece, art);
        break;
    case PieceKind::SidebarReference:
        drawSidebarIcon(painter, QRect(frame.shift + int(piece.x), frame.bottom - int(kImagePlaceholderSize),
                                       int(kImagePlaceholderSize), int(kImagePlaceholderSize)));
        break;
    case PieceKind::Indent:
    case PieceKind::FootnoteReference:
    case PieceKind::LinkReference:
    case PieceKind::Anchor:
        break; // no ink: their text follows as pieces of its own
    }
}

LineFrame frameOf(const PageLine& line) {
    return {int(line.top), int(line.top + line.height), lineShift(line)};
}

bool opensReference(const LinePiece& piece) {
    return piece.kind == PieceKind::LinkReference || piece.kind == PieceKind::FootnoteReference;
}

// Walks the pieces of a page, keeping the running reference, and hands each reference piece with the
// reference it belongs to to `visit`.
template <typename Visit>
std::optional<OpenReference> walkReferences(const std::vector<PageLine>& lines,
                                            std::optional<OpenReference> open, Visit visit) {
    for (const PageLine& line : lines) {
        for (const LinePiece& piece : line.pieces) {
            if (opensReference(piece)) {
                TargetKind kind =
                    piece.kind == PieceKind::LinkReference ? TargetKind::Link : TargetKind::Footnote;
                open = OpenReference{kind, piece.name};
            } else if (piece.kind == PieceKind::SidebarReference) {
                visit(line, piece, OpenReference{TargetKind::Sidebar, piece.name});
            } else if (!(piece.style & kStyleReference)) {
                open.reset(); // the reference's text has ended
            } else if (open && piece.kind != PieceKind::Anchor) {
                visit(line, piece, *open);
            }
        }
    }
    return open;
}

} // namespace

int lineShift(const PageLine& line) {
    if (line.pieces.empty() || line.width >= kPageWidth) {
        return 0;
    }
    // The alignment of the first piece that shows: an anchor or a reference's opening tag may come before
    // the alignment tag of the line.
    auto shown = std::find_if(line.pieces.begin(), line.pieces.end(), [](const LinePiece& piece) {
        return piece.kind != PieceKind::Anchor && piece.kind != PieceKind::LinkReference &&
               piece.kind != PieceKind::FootnoteReference && piece.kind != PieceKind::Indent;
    });
    const LinePiece& decides = shown == line.pieces.end() ? line.pieces.front() : *shown;
    int room = int(kPageWidth - line.width);
    switch (pageAlignment(decides.style)) {
    case kAlignCentre:
        return room / 2;
    case kAlignRight:
        return room;
    default:
        return 0;
    }
}

QImage renderPage(const std::vector<PageLine>& lines, const PageArt& art) {
    QImage page(int(kPageWidth), int(kPageHeight), QImage::Format_RGB32);
    page.fill(kPaper);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setClipRect(page.rect());
    for (const PageLine& line : lines) {
        LineFrame frame = frameOf(line);
        for (const LinePiece& piece : line.pieces) {
            drawPiece(painter, frame, piece, art);
        }
    }
    return page;
}

QImage scaledPage(const QImage& page, int scale) {
    scale = std::clamp(scale, kMinPreviewScale, kMaxPreviewScale);
    if (scale == 1) {
        return page;
    }
    return page.scaled(page.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

std::vector<PageTarget> pageTargets(const std::vector<PageLine>& lines, std::optional<OpenReference> open) {
    std::vector<PageTarget> targets;
    const PageLine* lastLine = nullptr;
    walkReferences(lines, std::move(open),
                   [&](const PageLine& line, const LinePiece& piece, const OpenReference& reference) {
                       LineFrame frame = frameOf(line);
                       QRect area(frame.shift + int(piece.x), frame.top, std::max(1, int(piece.width)),
                                  int(line.height));
                       if (reference.kind == TargetKind::Sidebar) {
                           area = QRect(area.x(), frame.bottom - int(kImagePlaceholderSize),
                                        int(kImagePlaceholderSize), int(kImagePlaceholderSize));
                       }
                       // Pieces of one reference on one line make one area.
                       bool sameRun =
                           !targets.empty() && lastLine == &line && reference.kind != TargetKind::Sidebar &&
                           targets.back().kind == reference.kind && targets.back().name == reference.name;
                       if (sameRun) {
                           targets.back().area = targets.back().area.united(area);
                       } else {
                           targets.push_back({reference.kind, reference.name, area});
                       }
                       lastLine = &line;
                   });
    return targets;
}

std::optional<OpenReference> referenceOpenAfter(const std::vector<PageLine>& lines,
                                                std::optional<OpenReference> open) {
    return walkReferences(lines, std::move(open),
                          [](const PageLine&, const LinePiece&, const OpenReference&) {});
}

} // namespace quillery
