// Text records: a text cut into pieces of at most kTextRecordSize bytes, each stored as its own zlib stream.
//
// The reader inflates one record at a time and interprets the markup in it, so a cut never splits a tag: the
// cut moves back before a tag near the end of a piece, or to the last white space of the piece.
#pragma once

#include "framework/file_service.h"
#include "framework/record_buffer.h"
#include "framework/verdict.h"
#include "tdb/book_format.h"
#include "tdb/compressor.h"
#include "tdb/record_queue.h"
#include "tdb/tag_table.h"

#include <cstddef>
#include <string_view>

namespace quillery {

// How many bytes of the full piece at the start of `rest` stay in this record. `rest` holds the piece and
// at least one byte after it (rest.size() > kTextRecordSize). Always between 1 and kTextRecordSize.
size_t findRecordBreak(std::string_view rest);

// Cuts `text` into records, compresses each with `compressor` and writes them back to back to `output`
// (open for writing). Appends each compressed size to `recordSizes` (after a leading 0 when
// `textRecordStarts` is given: the main text) and, for the main text, the running uncompressed total to
// `textRecordStarts` (after a leading 0). Fails, with an error naming `output`, when a piece cannot be
// compressed into kTextRecordSize bytes or when writing fails; nothing partial is written for the failing
// piece.
Verdict compressTextRecords(std::string_view text, FileService& output, RecordBuffer& recordSizes,
                            RecordBuffer* textRecordStarts, Compressor& compressor);

// The same for a text whose `count` records are the next ones of `queue`: the same file, lists and messages.
Verdict writeQueuedRecords(RecordQueue& queue, size_t count, FileService& output, RecordBuffer& recordSizes,
                           RecordBuffer* textRecordStarts);

} // namespace quillery
