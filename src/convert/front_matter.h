// The front matter of a Markdown file: a leading block between two "---" lines whose `key: value` lines name
// the book's header fields (title, author, publisher, isbn, copyright). Values may be quoted; other keys and
// lines are ignored.
#pragma once

#include <optional>
#include <string>

namespace quillery::convert {

// The header fields as UTF-8 text; unset when not named.
struct HeaderFields {
    std::optional<std::string> title, author, publisher, isbn, copyright;
};

// Reads the front matter at the start of `text` (after a byte-order mark, if any) into `fields` and blanks
// it out in place (every byte but the line ends becomes a space), so that the rest of the file keeps its
// lines and columns. A text without a complete front matter block is left as it is. Returns whether there
// was one.
bool takeFrontMatter(std::string& text, HeaderFields& fields);

// `fields` with each field of `overrides` that is set put in its place.
HeaderFields overridden(HeaderFields fields, const HeaderFields& overrides);

} // namespace quillery::convert
