// The reader view: a book's pages in one font, each broken into the lines the device draws, with every piece
// of every line placed where the device places it.
//
// The lines come from the very scanner and layout that make the page tables (markup/scanner.h,
// markup/layout.h): the view runs one layout pass over the whole text, keeps the pages it finds and, for each
// page, a checkpoint of the complete scan state where the page starts. Laying out one page later starts the
// scanner at that checkpoint and stops where the next page starts, so a page costs the scan of its own text
// only.
//
// Contract:
// - pages() is the book's own page table of that font: the same entries, in the same order, as the build of
//   the same text writes. A dictionary text has no pages (as its book).
// - The lines of page i cover its text exactly: the first starts at pages()[i].position, each starts where
//   the one before it ends, and the last ends at the next page's position (the end of the text for the
//   last page). A line's bytes include the line end that ended it, and whatever before its first piece
//   makes no line of its own (tags, hidden text, the blank lines a page drops at its top). A page that
//   starts at the end of the text (after a last \p) has no lines.
// - Pieces of a line are in text order; x is from the page's left edge as the layout counts it (a centred
//   or right-aligned line is shifted by the renderer: the alignment is in the piece's style word, the
//   line's width in PageLine::width, trailing spaces included). Invisible text and line ends make no
//   pieces. The characters of a Text piece advance by glyphWidth(piece.style, byte) each, as the layout
//   measured them.
// - Links: a LinkReference piece names its anchor as the tag wrote it; the book's link table holds the
//   names lowered. The text between an opening reference tag and its closing tag has the reference bit set.
// - Positions are offsets in the whole main text, as in the page entries.
// - The view reports nothing: every message of the text belongs to the build, and the view is silent even
//   on a text the build refuses (its pages are then those the build computed before refusing it).
// - The text (and for an image folder, the folder) must outlive the view. A view is used by one thread at
//   a time; linesOf() is not const because it runs the view's scanner.
#pragma once

#include "framework/record_buffer.h"
#include "markup/book_tables.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

struct BookContents;

enum class ViewFont { Small, Large };

// An image's size as the book stores it (its image record), found by the image name of a \m tag (the text
// after the name's last '/').
struct ViewImageSize {
    std::string name;
    uint16_t width = 0;
    uint16_t height = 0;
};

// What the view lays out.
struct ReaderViewInput {
    std::string_view text; // the whole main text (device bytes), kept alive by the caller
    // The text record starts: 0, end of text record 1, end of record 2, ..., end of the text (as the build's
    // table). Empty: one record holding the whole text.
    std::vector<uint32_t> recordStarts;
    // Image sizes: from the book's image records when `imagesFromBook` (a built book), else read from the PNG
    // files in `imageFolder` (a source), exactly as a build reads them.
    bool imagesFromBook = false;
    std::vector<ViewImageSize> images;
    std::string imageFolder;
    bool dictionary = false;
};

// The input for a built book: its inflated main text, its text records, its image records and its type.
ReaderViewInput readerViewInputOf(const BookContents& book);
// The input for a source's mapped main text in a build: the build's record start table (big-endian 32-bit
// values), the source's image folder, and the build's flags word (kFlagDictionary).
ReaderViewInput readerViewInputOf(std::string_view mainText, const RecordBuffer& recordStarts,
                                  const std::string& imageFolder, uint32_t flags);

enum class PieceKind : uint8_t {
    Text,              // characters drawn one after another from x: `text`, each advancing by its glyph width
    Character,         // one character made by \\ or \a: `code` is its device code
    Unicode,           // a \U character: `code` its UTF-16 value, drawn in a box of width x height
    SoftHyphen,        // the hyphen drawn where a line breaks at \- (`code` 173, zero bytes of text)
    Image,             // \m: `name`, and the room it takes (16 x 16 when the picture does not fit the page)
    Rule,              // \w: a rule from x over `width` pixels (to the page's right edge or past it)
    Indent,            // \T: the line moves on from x by `width` pixels
    SidebarReference,  // \Sd: the reference icon (16 x 16) at x, then a space; `name` the sidebar
    FootnoteReference, // \Fn: opens footnote `name`; the referenced text follows with the reference bit set
    LinkReference,     // \q: opens a link to anchor `name` (without a leading '#'); text as above
    Anchor,            // \Q: anchor `name` at x (no room)
};

struct LinePiece {
    PieceKind kind = PieceKind::Text;
    uint32_t start = 0; // the text bytes it comes from: a tag's whole extent, argument included
    uint32_t end = 0;
    uint32_t x = 0;      // device pixels from the page's left edge
    uint32_t width = 0;  // the room it takes in the line
    uint32_t height = 0; // the line height it demands (text: its glyph table's; boxes: their own)
    // The style word in force: style bits | alignment (bits 0-1) | font code << 3, as in the page entries
    // (bold weight, italic, underline, overstrike, superscript, subscript, indent, reference are its bits).
    uint16_t style = 0;
    uint16_t code = 0;
    std::string text; // Text: the device bytes drawn
    std::string name; // Image, SidebarReference, FootnoteReference, LinkReference, Anchor
};

struct PageLine {
    uint32_t start = 0; // text position of its first byte
    uint32_t end = 0;   // position after its last byte (the line end that ended it included)
    uint32_t top = 0;   // pixels from the page's top
    uint32_t height = 0;
    uint32_t width = 0; // x after its last piece: the room its pieces take
    std::vector<LinePiece> pieces;
};

// The width the device gives character `code` in the style word `styleWord` (as in LinePiece::style), and the
// line height it demands: the layout's own glyph tables.
uint32_t glyphWidth(uint16_t styleWord, uint8_t code);
uint32_t glyphLineHeight(uint16_t styleWord);

class ReaderView {
  public:
    // Lays out the whole text in `font` once (the cost of one font's pass of a build) and keeps the pages and
    // a checkpoint per page. Never fails: every text has pages (a dictionary none).
    ReaderView(ReaderViewInput input, ViewFont font);
    ~ReaderView();
    ReaderView(const ReaderView&) = delete;
    ReaderView& operator=(const ReaderView&) = delete;

    ViewFont font() const;
    size_t pageCount() const;
    // The page table of the font, as the build writes it.
    const PageTable& pages() const;
    // The page that holds text position `position` (the last page starting at or before it); 0 for an empty
    // table.
    size_t pageOf(uint32_t position) const;

    // The lines of page `page` (< pageCount()), top to bottom. Well under a millisecond for any page.
    std::vector<PageLine> linesOf(size_t page);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace quillery
