// The page renderer: one page of the reader view drawn as the device draws it, into a 158 x 148 image of
// device pixels. The Preview window, the page export and the tests all draw through here.
//
// Every piece goes where the layout put it: a line's pieces from its top, each glyph at the x the device's
// glyph widths give it (so line and page breaks are exact, letter shapes approximate, see device_fonts.h),
// a centred or right-aligned line shifted by the room it leaves. Text, images and icons stand on the
// bottom of their line; superscript is raised to the top of the line's normal text. Images come from the
// book's own image records; an image laid out as 16 x 16 because it does not fit the page, or one the book
// does not hold, is a 16 x 16 placeholder. A sidebar reference is its 16 x 16 icon; the text of a link or
// footnote reference is underlined with dots. A rule is drawn across the share of the line its tag asks for.
//
// The renderer also says where the references of a page are (pageTargets), so that a click can follow them.
#pragma once

#include "markup/reader_view.h"

#include <QImage>
#include <QRect>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

inline constexpr int kMinPreviewScale = 1;
inline constexpr int kMaxPreviewScale = 4;
inline constexpr int kDefaultPreviewScale = 3;

struct PageArt {
    // The text the view lays out (a rule's share is read from its tag).
    std::string_view text;
    // The picture for an image name, or a null image; may be empty (every image is then a placeholder).
    std::function<QImage(std::string_view name)> image;
};

// The page of `lines` at device size (158 x 148), white paper and black ink.
QImage renderPage(const std::vector<PageLine>& lines, const PageArt& art);
// A page image enlarged `scale` times (clamped to 1..4), each device pixel a crisp square.
QImage scaledPage(const QImage& page, int scale);

// How far the renderer moves a line to the right: its alignment (that of its first piece that shows) applied
// to the room it leaves.
int lineShift(const PageLine& line);

enum class TargetKind { Link, Footnote, Sidebar };

// A reference on a page: what it opens and where it is, in device pixels. A reference broken over two lines
// has an area on each.
struct PageTarget {
    TargetKind kind = TargetKind::Link;
    std::string name;
    QRect area;
};

// A link or footnote reference whose text is still running (it began on an earlier page).
struct OpenReference {
    TargetKind kind = TargetKind::Link;
    std::string name;
};

// The references on a page, in text order. `open` is a reference that runs on from the page before.
std::vector<PageTarget> pageTargets(const std::vector<PageLine>& lines,
                                    std::optional<OpenReference> open = std::nullopt);
// The reference still running at the end of the page, given the one running at its start.
std::optional<OpenReference> referenceOpenAfter(const std::vector<PageLine>& lines,
                                                std::optional<OpenReference> open);

} // namespace quillery
