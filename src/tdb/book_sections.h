// The records of a book, each part told once: the same code gives the planner every record's size and the
// writer every record's bytes, so that the record list and the records cannot disagree.
#pragma once

#include "tdb/book_format.h"
#include "tdb/book_writer.h" // and the tables it holds

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

// Where a part's records go. The planner's sink measures them; the writer's sink writes them out. A part
// begins each of its records before it puts that record's bytes.
class RecordSink {
  public:
    virtual ~RecordSink() = default;
    // What is put from here on belongs to a new record.
    virtual void beginRecord() = 0;
    [[nodiscard]] virtual bool put(const void* bytes, size_t length) = 0;
    // The records of a temporary file, one per size in its list, each begun here.
    [[nodiscard]] virtual bool putStored(const StoredRecords& records) = 0;
    // `size` bytes of the converted image streams from `offset` on, into the current record.
    [[nodiscard]] virtual bool putImageStream(const ImageStreams& streams, uint32_t offset,
                                              uint32_t size) = 0;
};

// What the parts are made from: the writer's input and the metadata record made from its book info.
struct BookSource {
    const BookWriterInput& input;
    std::string_view metadata;
};

// The records of the text, which follow the book header record.
[[nodiscard]] bool putTextRecords(const BookSource& book, RecordSink& sink);
// The records of one section.
[[nodiscard]] bool putSection(BookSection section, const BookSource& book, RecordSink& sink);

// How many records a list of stored-record sizes names (its leading 0 is none of them).
size_t storedRecordCount(const RecordBuffer& sizes);

// A string of the tables as the book keeps it: a NUL byte ends it.
std::string_view terminatedString(std::string_view text);

// The name an image record carries: the last component of the image's path.
std::string_view imageRecordName(std::string_view path);

} // namespace quillery
