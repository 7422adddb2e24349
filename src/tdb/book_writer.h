// BookWriter: writes the book database of one build in one sequential pass.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"
#include "framework/file_system.h"
#include "framework/random_generator.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "tdb/book_tables.h"

#include <cstdint>
#include <string>

namespace quillery {

struct BookWriterInput {
    // The temporary files of the build, open for reading: they are read from their start through these
    // objects and never opened again by name. A missing one contributes no bytes.
    FileService* textTemp = nullptr;
    FileService* sidebarTemp = nullptr;
    FileService* footnoteTemp = nullptr;
    std::string outputPath;
    // Whether the book may replace a file that appears at outputPath while it is written (it was deleted
    // before); without it such a file is never replaced.
    bool replaceOutput = true;
    FileSystem* files = nullptr; // null: the real file system
    std::string bookName;        // at most 29 bytes, colons already replaced
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

// Writes the book and reports "Done.".
//
// The book is written under a short hidden name in the output's folder, flushed to the disk and only then
// renamed to input.outputPath, so that the output path never holds a partial book, whenever the process may
// die. Refused with an error and no file, before anything is created: more than 65535 page entries in a font,
// more than 65535 records, a book past 4 GiB, or tables that contradict each other. A failed create, write,
// flush, close, rename or temp-file copy reports "An error occurred writing the file %s." with the full
// output path and removes the unfinished book. No "Done." follows a failure; the result is Failed.
Verdict writeBook(const BookWriterInput& input);

} // namespace quillery
