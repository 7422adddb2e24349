// Reading a book database back: its structure, with every invariant of the container and of each record
// kind verified (tdb/book_format.h describes the format).
//
// The reader takes any bytes. It never reads outside them, never allocates more than the file's own size
// suggests (a text record inflates to at most kTextRecordSize bytes), and stops at the first violation with a
// message that names the record and what is wrong with it.
#pragma once

#include "tdb/book_format.h"
#include "tdb/book_tables.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

struct BookRecordSpan {
    uint32_t offset = 0;
    uint32_t size = 0;
};

// A chapter or a link: a text position and a name.
struct BookPositionEntry {
    uint32_t position = 0;
    std::string name;
};

struct BookImage {
    std::string name;
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t dataSize = 0;
    std::vector<std::string> chunkTypes; // in stream order, IHDR first and IEND last
};

struct BookIndexEntry {
    uint16_t record = 0;
    uint16_t offset = 0;
    std::string text;
};

struct BookIndexGroup {
    std::string name;
    std::vector<BookIndexEntry> entries;
};

struct BookTextRecord {
    uint32_t compressedSize = 0;
    uint32_t length = 0; // uncompressed
};

// One sidebar or footnote: its name, its text records and their text inflated back to back.
struct BookBlock {
    std::string name;
    std::vector<BookTextRecord> records;
    std::string text;
};

struct BookSectionPlace {
    uint16_t firstRecord = 0;
    uint16_t records = 0;
};

struct BookContents {
    // Database header.
    std::string name;
    std::string type;
    std::string creator;
    uint32_t creationTime = 0;
    uint32_t modificationTime = 0;
    std::vector<BookRecordSpan> records;

    // Book header record.
    uint16_t smallPageCount = 0;
    uint16_t largePageCount = 0;
    uint32_t randomTag = 0;
    std::array<BookSectionPlace, kSectionCount> sections{};

    std::vector<BookTextRecord> text;
    std::string mainText; // the text records inflated, back to back
    std::vector<PageEntry> smallPages;
    std::vector<PageEntry> largePages;
    std::vector<BookPositionEntry> chapters;
    std::vector<BookPositionEntry> links;
    std::vector<BookImage> images;
    std::vector<BookIndexGroup> index;
    std::array<std::string, kMetadataStringCount> metadata; // title, author, copyright, publisher, ISBN
    std::vector<BookBlock> sidebars;
    std::vector<BookBlock> footnotes;

    uint64_t textLength() const;
};

constexpr std::array<std::string_view, kMetadataStringCount> kMetadataNames = {"title", "author", "copyright",
                                                                               "publisher", "isbn"};

// Reads and verifies the book in `bytes`. Returns true and fills `book`, or returns false with `error` set
// to a one-line description of the first violation found.
[[nodiscard]] bool readBook(std::string_view bytes, BookContents& book, std::string& error);

} // namespace quillery
