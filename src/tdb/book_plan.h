// The plan of a book: every record's size and every section's place, worked out before the first byte is
// written, from the same descriptions of the records that write them.
#pragma once

#include "tdb/book_format.h"
#include "tdb/book_sections.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillery {

struct BookPlan {
    // Every record in file order: the book header, the text records, the sections' records, the marker.
    std::vector<uint32_t> recordSizes;
    size_t textRecords = 0;
    std::array<size_t, kSectionCount> sectionRecords{};
    std::array<size_t, kSectionCount> firstRecord{};
    uint64_t bookSize = 0; // of the whole file
};

BookPlan planBook(const BookSource& book);

} // namespace quillery
