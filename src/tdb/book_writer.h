// BookWriter: writes the book database of one build in one sequential pass.
#pragma once

#include "framework/book_info.h"
#include "framework/random_generator.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/book_tables.h"

#include <cstdint>
#include <string>

namespace quillery {

struct BookWriterInput {
    std::string textTempPath;
    std::string sidebarTempPath;
    std::string footnoteTempPath;
    std::string outputPath;
    std::string bookName; // at most 29 bytes, colons already replaced
    const BookInfo* info = nullptr;
    const BookTables* tables = nullptr;
    // The driver's four lists of big-endian 32-bit values.
    const RecordBuffer* textRecordStarts = nullptr;
    const RecordBuffer* textRecordSizes = nullptr;
    const RecordBuffer* sidebarRecordSizes = nullptr;
    const RecordBuffer* footnoteRecordSizes = nullptr;
    uint32_t flags = 0;
    uint32_t creationTime = 0;         // seconds since 1970
    RandomGenerator* random = nullptr; // seeded by the driver at the start of the build
};

// Writes the book to input.outputPath and reports "Done.". On any failure to create, write or close the
// output, reports it, deletes the partial file and returns Failed.
Verdict writeBook(const BookWriterInput& input);

} // namespace quillery
