// The tables one build fills while scanning the markup and hands to the book writer.
//
// The driver creates them empty for each build; markup processing fills them; the writer serialises them. The
// byte layout each one takes in the book is described with the writer (tdb/book_format.h).
#pragma once

#include "framework/offset_set.h"
#include "framework/record_buffer.h"
#include "tdb/image_streams.h"
#include "tdb/reference_table.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// Where a page of one font starts; 12 bytes in the book.
struct PageEntry {
    uint16_t pageIndex = 0;
    uint16_t record = 0;   // text record number, from 1
    uint16_t offset = 0;   // offset of the page's first byte within that record
    uint32_t position = 0; // text position of the page's first byte
    uint16_t style = 0;    // style word | alignment (bits 0-1) | font code << 3
};
using PageTable = std::vector<PageEntry>;

struct ChapterEntry {
    uint32_t position = 0; // text position of the tag's backslash
    std::string title;     // at most 80 bytes; headings of level n start with 4n spaces
};
using ChapterTable = std::vector<ChapterEntry>;

struct LinkEntry {
    int32_t position = -1; // anchor position, -1 while only referenced
    std::string name;      // lowered, at most 80 bytes
    uint32_t key = 0;      // CRC-32 of the lowered name
    bool referenced = false;
};
using LinkTable = std::vector<LinkEntry>;

struct ImageEntry {
    std::string path; // image folder, '/', image file name
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t dataOffset = 0; // of the converted PNG in ImageTable::streams
    uint32_t dataSize = 0;
};

struct ImageTable {
    std::vector<ImageEntry> entries;
    ImageStreams streams; // the converted PNG streams, back to back
    // The entries by path, so that adding stays fast for a book with very many images: entry numbers in an
    // open-addressing set (kept by addImage, rebuilt there when the entries were filled or reordered some
    // other way).
    OffsetSet byPath;
    bool byPathStale = false;
    // Images whose file was missing when they were referenced take no entry: such a build is refused, and
    // only the first of them in path order matters, as the place where conversion stops.
    bool anyMissing = false;
    std::string leastMissingPath;
};

// An index item; its text is kept in IndexTable::texts, so that a dictionary of many short items takes
// little more room than its texts.
struct IndexEntry {
    uint32_t textAt = 0; // where the text's length (2 bytes, low first) and then the text start in texts
    uint16_t record = 0; // text record number of the opening tag's backslash, from 1
    uint16_t offset = 0;
};

struct IndexGroup {
    std::string name; // text of the group's first entry
    uint16_t byteSize = 0;
    uint32_t firstEntry = 0; // index into the sorted entries
};

struct IndexTable {
    std::vector<IndexEntry> entries;
    // Every entry's text (at most 80 bytes), each after its length. An entry takes fewer bytes here than its
    // two tags and its text take in the source, which is below 4 GB, so 32-bit offsets reach them all.
    std::string texts;
    std::vector<IndexGroup> groups;

    void add(uint16_t record, uint16_t offset, std::string_view text) {
        // Longer texts are never collected; the cut only keeps the length within its two bytes.
        text = text.substr(0, 0xFFFF);
        entries.push_back({static_cast<uint32_t>(texts.size()), record, offset});
        texts.push_back(static_cast<char>(text.size() & 0xFF));
        texts.push_back(static_cast<char>(text.size() >> 8));
        texts.append(text);
    }

    std::string_view textOf(const IndexEntry& entry) const {
        size_t length = static_cast<uint8_t>(texts[entry.textAt]) |
                        static_cast<size_t>(static_cast<uint8_t>(texts[entry.textAt + 1])) << 8;
        return std::string_view(texts).substr(entry.textAt + 2, length);
    }
};

struct BookTables {
    PageTable smallPages;
    PageTable largePages;
    // Pages past the most a page table can hold are counted, not kept (the book is refused).
    size_t smallPagesNotKept = 0;
    size_t largePagesNotKept = 0;
    ChapterTable chapters;
    // Chapters past the most a book can hold are counted, not kept: such a book is refused in any case, and
    // a source of nothing but chapter tags would otherwise need many times its own size in memory.
    size_t chaptersNotKept = 0;
    ImageTable images;
    LinkTable links;
    // Links past the most a book can hold are counted, not kept, like chapters.
    size_t linksNotKept = 0;
    RefTable sidebars;
    RefTable footnotes;
    IndexTable index;
};

} // namespace quillery
