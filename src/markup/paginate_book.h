// paginateBook: the two-pass markup scan that validates every tag and lays the book out into pages.
#pragma once

#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/image_converter.h"
#include "tdb/book_format.h" // the flags word
#include "tdb/book_tables.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quillery {

// Scans `text` (the mapped main text) once per font, filling the page tables, and collects chapters, images,
// links, sidebar and footnote references and index items into `tables`. `textRecordStarts` holds the text
// record boundaries (big-endian 32-bit values, 0 first). After the passes the image table is sorted by path
// and handed to `convertImages` (none: the images are not converted). Returns Failed when an error was
// reported.
Verdict paginateBook(std::string_view text, const std::string& imageFolder,
                     const RecordBuffer& textRecordStarts, BookTables& tables, uint32_t flags,
                     const ImageConverter& convertImages = {});

} // namespace quillery
