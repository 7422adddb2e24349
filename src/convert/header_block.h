// The header fields at the top of the generated markup text, hidden from the page (`\v`...`\v`), so that the
// text builds as its own source with the same book information. All five keys are always written, first in
// the text: a "TITLE=" that the Markdown text happens to contain can then never be taken for the title.
#pragma once

#include "convert/front_matter.h"
#include "framework/book_info.h"

#include <string>

namespace quillery::convert {

// The block for `fields`. Its line ends, a blank line after the fields included, are inside the hidden text:
// the book's first page starts with the text that follows. A value keeps what a header field can hold:
// characters outside Windows-1252 become "?", a double quote and bytes above 127 are written as `\aNNN`, a
// backslash as
// `\\`, and control characters are dropped.
std::string headerBlock(const HeaderFields& fields);

// The book information `fields` give, as a header block in a source gives it.
BookInfo bookInfoOf(const HeaderFields& fields);

} // namespace quillery::convert
