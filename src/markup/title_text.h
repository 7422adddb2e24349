// Title collection: the text of a chapter title, heading span or index item with its tags removed
// and \U characters transliterated to ASCII, at most 80 characters.
#pragma once

#include "markup/scan_context.h"
#include "tdb/book_format.h" // kMaxTitleLength

#include <cstdint>
#include <string>

namespace quillery {

enum class TitleKind {
    Chapter, // \C: ends at the closing double quote
    Heading, // \x or \X: ends at the next tag with the same letter
    Index,   // \I: ends at the next \I
};

struct CollectedTitle {
    std::string text;     // cut at 80 characters and at a NUL byte
    size_t stop = 0;      // the closing quote or the closing tag's backslash, or where collection stopped
    bool tooLong = false; // grew past 80 characters; `stop` is after the item that made it do so
    bool closed = false;  // stopped at its closing quote or tag (not at the end of the text, not too long)
};

// Collects a title from `from` on, starting with `prefix` (the level's indentation). `letter` is 'x' or 'X'
// for headings, 'I' for index items, ignored for chapters. Reports the messages of the shared rules; those
// about the title as a whole are placed at `tagPos`, the backslash of the tag that opened it.
CollectedTitle collectTitle(ScanContext& context, TitleKind kind, char letter, size_t from,
                            std::string prefix, size_t tagPos);

// The character of `\a` and its three bytes at `tag`, modulo 256; the bytes are not validated and missing
// ones count as "0".
uint8_t decimalCharacter(const ScanContext& context, size_t tag);

// The ASCII character for a code point: 0 when it maps to nothing, -1 when it is not in the table.
int transliterate(uint32_t codePoint);

// Reads the four hexadecimal digits after a \U at `tag` (upper-case A-F only); on a bad or missing digit
// reports the bad \U excerpt error (6 bytes from the backslash) and returns the value read so far.
uint32_t readUnicodeDigits(ScanContext& context, size_t tag);

} // namespace quillery
