// BookOutput: the book's file while it is written.
//
// The book starts under a short hidden name in the output's folder (so that the rename stays on one file
// system), named for removal should the build be interrupted. Its bytes go out through one buffer, so that
// small records do not each cost a system call. Complete and flushed to the disk, it takes the output's name
// in one step, so that the output path never holds a partial book.
#pragma once

#include "framework/file_service.h"
#include "framework/file_system.h"
#include "tdb/book_sections.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillery {

class BookOutput final : public RecordSink {
  public:
    // `replace`: whether the book may replace a file that appears at `path` meanwhile.
    BookOutput(FileSystem& files, std::string path, bool replace);
    BookOutput(const BookOutput&) = delete;
    BookOutput& operator=(const BookOutput&) = delete;
    ~BookOutput() override; // an unfinished book is discarded

    [[nodiscard]] bool create();

    void beginRecord() override {}
    [[nodiscard]] bool put(const void* bytes, size_t length) override;
    // A temp file or an image stream that cannot be read whole is a failure like a failed write.
    [[nodiscard]] bool putStored(const StoredRecords& records) override;
    [[nodiscard]] bool putImageStream(const ImageStreams& streams, uint32_t offset, uint32_t size) override;
    // Every byte put so far.
    uint64_t written() const { return written_; }

    // Writes what is buffered, flushes the book to the disk and gives it the output's name.
    [[nodiscard]] bool publish();
    // Closes and removes an unfinished book.
    void discard();

  private:
    [[nodiscard]] bool flush();
    [[nodiscard]] bool copyFile(FileService& file, uint64_t bytes);

    FileSystem& files_;
    std::string path_;
    bool replace_;
    std::unique_ptr<FileService> out_;  // the book under its hidden name until it is complete
    std::unique_ptr<uint8_t[]> buffer_; // bytes put and not yet written
    size_t pending_ = 0;
    std::vector<uint8_t> scratch_; // one image stream or one block of a temp file at a time
    uint64_t written_ = 0;
};

} // namespace quillery
