// BookWriter: writes the book database of one build in one sequential pass.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"
#include "framework/file_system.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "tdb/book_tables.h"

#include <cstdint>
#include <string>

namespace quillery {

// Records stored back to back in a temporary file of the build, with the list of their sizes.
struct StoredRecords {
    // Open for reading: read from its start through this object and never opened again by name. A file that
    // is not open holds no bytes, so only records of no bytes can come from it.
    FileService& file;
    // Big-endian 32-bit values: a leading 0 (or nothing at all), then one size per record.
    const RecordBuffer& sizes;
};

// What one book holds, and where it goes.
struct BookWriterInput {
    std::string bookName; // at most 29 bytes, colons already replaced
    uint32_t flags = 0;
    uint32_t creationTime = 0; // seconds since 1970
    uint32_t randomTag = 0;    // see randomTag() in book_format.h
    const BookInfo& info;
    const BookTables& tables;
    StoredRecords text;
    // Where each text record starts in the text: a leading 0, then one big-endian 32-bit value per record
    // (the last is the text's length).
    const RecordBuffer& textRecordStarts;
    StoredRecords sidebars;
    StoredRecords footnotes;

    std::string outputPath;
    // Whether the book may replace a file that appears at outputPath while it is written (it was deleted
    // before); without it such a file is never replaced.
    bool replaceOutput = true;
    FileSystem& files = systemFileSystem();
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
