// BookWriter: writes the book database of one build in one sequential pass.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"
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

// Writes the book to input.outputPath (which must not exist yet) and reports "Done.".
//
// Refused with an error and no file, before anything is created: more than 65535 page entries in a font, more
// than 65535 records, a book past 4 GiB, or tables that contradict each other. A failed create, open, write,
// close or temp-file copy reports "An error occurred writing the file %s." with the full output path and
// deletes the partial file. No "Done." follows a failure; the result is Failed.
Verdict writeBook(const BookWriterInput& input);

// The same, writing through `output` (a file object for input.outputPath; tests pass one that fails on
// purpose).
Verdict writeBook(const BookWriterInput& input, FileService& output);

} // namespace quillery
