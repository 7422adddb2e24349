// The generated markup text as it grows: text written as device text, tags, the separation of blocks, the
// style toggles kept balanced, and the map back to the Markdown places everything came from.
#pragma once

#include "convert/device_text.h"
#include "convert/notices.h"
#include "convert/position_map.h"

#include <string>
#include <string_view>

namespace quillery::convert {

enum class Style { Italic, Bold, Overstrike, Underline, Superscript, Subscript };
enum class Separation { None, Line, BlankLine };

class MarkupWriter {
  public:
    MarkupWriter(std::string& out, PositionMap& places, Notices& notices)
        : out_(out), places_(places), notices_(notices) {}

    // What is written from now on comes from `place`.
    void at(SourcePlace place);
    SourcePlace place() const { return place_; }
    // What is written from now on comes from part `part` of the source (see position_map.h).
    void atPart(uint32_t part) {
        part_ = part;
        notices_.atPart(part);
    }

    // Text of the book, written as device text (see device_text.h).
    void text(std::string_view utf8, TextMode mode = TextMode::Body);
    // Markup written as it is (tags, and the text of line prefixes the writer makes itself).
    void markup(std::string_view tags);
    // The line end of a hard break.
    void lineEnd();

    // Turns a style on or off; nested requests only count, so the toggles in the text stay paired.
    void style(Style style, bool on);
    // The indented block, counted like the styles.
    void indent(bool on);
    // Markup that closes the current block, written right after its last text, before any separation.
    void closeBlock(std::string_view tags);

    // Ends the current block: the next output is separated from it by `separation` (the widest asked for).
    void endBlock(Separation separation);
    // Drops a pending separation (after a page break, the next block starts at the top of the page).
    void dropSeparation() { pending_ = Separation::None; }
    // Writes the pending separation now.
    void flush();

    std::string& out() { return out_; }
    Notices& notices() { return notices_; }

  private:
    void toggle(int& depth, bool on, std::string_view tag);

    std::string& out_;
    PositionMap& places_;
    Notices& notices_;
    SourcePlace place_;
    uint32_t part_ = 0;
    Separation pending_ = Separation::None;
    int italic_ = 0;
    int bold_ = 0;
    int overstrike_ = 0;
    int underline_ = 0;
    int superscript_ = 0;
    int subscript_ = 0;
    int indent_ = 0;
};

} // namespace quillery::convert
