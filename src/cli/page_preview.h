// quillery-cli --inspect --pages: every page of one font as the reader will show it.
#pragma once

#include "tdb/book_reader.h"

#include <string>
#include <string_view>

namespace quillery::cli {

enum class PreviewFont { Small, Large };

// Device text as the reader shows it, in UTF-8: tags removed (an image shown as "[image NAME]"), \\ \a and \U
// shown as their characters, invisible text hidden, line ends kept.
std::string readerText(std::string_view deviceText);

// Reader text made safe for a terminal, as book strings are shown: C0 controls (line feeds aside), DEL and C1
// controls become \xNN and a backslash \\, so that no book can drive the terminal. The rest stays UTF-8.
std::string terminalText(std::string_view utf8);

// The parts of a page's style word: "small font, bold, italic, centred, indented", and so on.
std::string describeStyle(uint16_t style);

// Each page of the font: its number, start, decoded style and text. A book without pages in that font (a
// dictionary book has none) says so.
std::string formatPagesText(const BookContents& book, PreviewFont font);
std::string formatPagesJson(const BookContents& book, PreviewFont font);

} // namespace quillery::cli
