// quillery-cli --inspect: a book's structure for a person, or as one JSON document.
#pragma once

#include "tdb/book_reader.h"

#include <cstdio>
#include <string>

namespace quillery::cli {

// The structure of a verified book as text: header, record list, sections, page counts, text records,
// chapters, links, images, index, metadata, sidebars and footnotes. Book strings are shown as UTF-8 with
// control bytes escaped.
std::string formatInspectText(const BookContents& book, uint64_t fileSize);

// The same as one JSON document (ending in a line feed).
std::string formatInspectJson(const BookContents& book, uint64_t fileSize);

// Reads and verifies the book at `path` and prints its structure on `out`. A file that cannot be read or is
// not a well-formed book gets one error line on `err` and the result 1; otherwise 0.
int runInspect(const std::string& path, bool json, FILE* out, FILE* err);

} // namespace quillery::cli
