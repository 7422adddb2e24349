// What the collectors of the markup scan share with the scanner: the text, the reporting forms, the pass and
// the kind of build. Each collector (chapters, index items, links, references, images, rules and indents)
// consumes exactly the bytes its Part says and returns where the scan resumes.
#pragma once

#include "framework/record_buffer.h"
#include "markup/scan_report.h"
#include "tdb/tag_table.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

struct ScanContext {
    std::string_view text;
    const RecordBuffer& recordStarts;
    ScanReporter& report;
    bool firstPass = true;
    bool dictionary = false;
    // Every \U met inside a chapter title or index item, over the whole book.
    uint32_t mappingWarnings = 0;

    size_t size() const { return text.size(); }
    // The byte at `position`, or 0 past the end of the text.
    char at(size_t position) const { return position < text.size() ? text[position] : '\0'; }
    // Whether the text holds `bytes` at `position`.
    bool holds(size_t position, std::string_view bytes) const {
        return position <= text.size() && text.substr(position, bytes.size()) == bytes;
    }
    // The position of the next `c` at or after `from`, or the end of the text.
    size_t find(char c, size_t from) const {
        size_t found = from < text.size() ? text.find(c, from) : std::string_view::npos;
        return found == std::string_view::npos ? text.size() : found;
    }
    size_t clip(size_t position) const { return position < text.size() ? position : text.size(); }
    // Where the tag whose backslash is at `tag` ends when it stands bare (its argument, if any, follows). The
    // text holds at least the backslash and the letter.
    size_t afterBareTag(size_t tag) const { return tag + tagAt(text, tag).length; }
};

inline bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

} // namespace quillery
