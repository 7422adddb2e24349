// Operations on the image table: one entry per distinct image path, kept in path order for the book.
#pragma once

#include "tdb/book_tables.h"
#include "tdb/image_size.h"

#include <string_view>

namespace quillery {

// Adds an entry for `path` with `size` unless an entry with exactly the same path is present (the first
// reference of an image decides its entry). Returns true when an entry was added.
bool addImage(ImageTable& table, std::string_view path, ImageSize size);

// Notes an image path whose file does not exist; the table keeps only the least such path in image order.
void noteMissingImage(ImageTable& table, std::string_view path);

// The order of image records: paths compared byte by byte as signed values (bytes 128 to 255 before every
// ASCII character), a path before a longer one that begins with it.
bool imagePathLess(std::string_view left, std::string_view right);

// Sorts the entries by imagePathLess; entries with equal paths keep their order.
void sortImageTable(ImageTable& table);

} // namespace quillery
