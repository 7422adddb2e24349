// BookJob: one queued source on its way to a book, and the queue that holds the jobs of the shell.
#pragma once

#include "framework/book_info.h"
#include "framework/file_service.h"

#include <cstdint>
#include <memory>

namespace quillery {

namespace markdown {
class MarkdownBook;
}
namespace epub {
class EpubBook;
}

struct BookJob {
    BookJob(uint32_t position, const FileService& file) : ordinal(position), source(file) {}

    uint32_t ordinal;                                 // position in its batch, 0 for the first file
    FileService source;                               // full path
    std::unique_ptr<FileService> output;              // set when the output is planned
    std::unique_ptr<BookInfo> info;                   // set by the header step (or the Book Info dialog)
    std::shared_ptr<markdown::MarkdownBook> markdown; // a Markdown source, converted by the header step
    std::shared_ptr<epub::EpubBook> epub;             // an EPUB source, converted by the header step
    std::unique_ptr<BookJob> next;
};

// A singly linked list of jobs, first in first out; it owns them.
class BookJobQueue {
  public:
    BookJobQueue() = default;
    ~BookJobQueue() { clear(); }
    BookJobQueue(const BookJobQueue&) = delete;
    BookJobQueue& operator=(const BookJobQueue&) = delete;

    bool empty() const { return !head_; }
    BookJob* head() const { return head_.get(); }
    BookJob* tail() const { return tail_; }
    size_t size() const;

    void append(std::unique_ptr<BookJob> job);
    // Removes and destroys the head job; nothing when empty.
    void retireHead();
    // Destroys every job, one at a time (a long list never recurses).
    void clear();

  private:
    std::unique_ptr<BookJob> head_;
    BookJob* tail_ = nullptr;
};

} // namespace quillery
