// Storing the sidebar and footnote bodies of a build: each body is checked, then compressed into the build's
// temporary file of its kind; the images the bodies show join the book's.
#pragma once

#include "build/temp_text_file.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "markup/blocks.h"
#include "tdb/book_tables.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quillery {

// Stores the bodies of one kind (references resolved) as compressed text records in `temp` (made by the
// caller only when `references` is not empty), appending a 0 and then each record's compressed size to
// `recordSizes` and setting each entry's record count. Does nothing when `references` is empty. The problems
// of each body are reported before its records are stored (see checkBlockBody). Fails when the bodies need
// more records than a book holds (before any is compressed), when the file cannot be written, or when an
// image of a body is unusable (then after every body has been stored). When a body shows an image, the whole
// image table is converted again afterwards. `sectionStart` is where the block section begins in the text
// that report positions refer to (the length of the main text). With a pool the bodies are compressed on it,
// ahead of their checks; the file, the lists and the messages are the same.
Verdict storeBlockBodies(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                         RefTable& references, RecordBuffer& recordSizes, ImageTable& images,
                         const std::string& imageFolder, TempTextFile& temp, ThreadPool* pool = nullptr);

} // namespace quillery
