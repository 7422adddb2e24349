// quillery-cli --inspect --pages: every page of one font as the reader will show it.
#pragma once

#include "markup/reader_view.h"
#include "tdb/book_reader.h"

#include <functional>
#include <string>
#include <string_view>

namespace quillery::cli {

using PreviewFont = ViewFont;

// Device text as the reader shows it, in UTF-8: tags removed (an image shown as "[image NAME]"), \\ \a and \U
// shown as their characters, invisible text hidden, line ends kept.
std::string readerText(std::string_view deviceText);

// Reader text made safe for a terminal, as book strings are shown: C0 controls (line feeds aside, unless
// `keepLineFeeds` is false), DEL and C1 controls become \xNN and a backslash \\, so that no book can drive
// the terminal. The rest stays UTF-8.
std::string terminalText(std::string_view utf8, bool keepLineFeeds = true);

// What a device line shows, in UTF-8: its characters, \a and \U characters as themselves, an image as
// "[image NAME]", the hyphen of a line broken at \-. Tags and hidden text show nothing.
std::string lineText(const PageLine& line);

// The parts of a page's style word: "small font, bold, italic, centred, indented", and so on.
std::string describeStyle(uint16_t style);

// Where page output goes, a piece at a time, as it is made.
using PageOutput = std::function<void(std::string_view)>;

// Each page of the view: its number, start and decoded style, then one line "  | TEXT" per device line. A
// text without pages (a dictionary has none) says so.
void writePagesText(ReaderView& view, bool dictionary, const PageOutput& out);
// One JSON document: each page with its entry, its text and a "lines" array (each line with its start, end,
// top, height, width, text and pieces).
void writePagesJson(ReaderView& view, std::string_view mainText, const PageOutput& out);

// The same for a built book, whole.
std::string formatPagesText(const BookContents& book, PreviewFont font);
std::string formatPagesJson(const BookContents& book, PreviewFont font);

} // namespace quillery::cli
