// A temporary file of the build that holds the compressed records of a text (the main text, or the bodies of
// one kind) until the writer copies them into the book.
#pragma once

#include "framework/file_service.h"
#include "framework/file_system.h"
#include "framework/record_buffer.h"
#include "framework/thread_pool.h"
#include "framework/verdict.h"
#include "tdb/compressor.h"
#include "tdb/record_queue.h"

#include <memory>
#include <string>
#include <string_view>

namespace quillery {

class TempTextFile {
  public:
    // Makes the file new at `path` through `files` (never through a link someone put at its name) and keeps
    // it open: it is written, rewound and read through this object, never opened again by name. Reports
    // "Could not create file %s." and fails when it cannot be made.
    [[nodiscard]] Verdict create(FileSystem& files, const std::string& path);

    // Appends the records of `text` (see compressTextRecords). Fails without a file. With a pool the pieces
    // are compressed on it; the file, the lists and the messages are the same.
    [[nodiscard]] Verdict append(std::string_view text, RecordBuffer& recordSizes,
                                 RecordBuffer* textRecordStarts = nullptr, ThreadPool* pool = nullptr);

    // Appends the next `count` records of `queue` (a text queued with compressor()). Fails without a file.
    [[nodiscard]] Verdict appendQueued(RecordQueue& queue, size_t count, RecordBuffer& recordSizes);

    // Safe to call from several threads at once.
    Compressor& compressor() { return compressor_; }

    // The file; null until it is made and after it is closed.
    FileService* file() const { return file_.get(); }

    // Closes the file, so that the build can remove it.
    void close() { file_.reset(); }

  private:
    std::unique_ptr<FileService> file_;
    ZlibCompressor compressor_;
};

} // namespace quillery
