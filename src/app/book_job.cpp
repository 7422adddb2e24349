#include "app/book_job.h"

namespace quillery {

size_t BookJobQueue::size() const {
    size_t count = 0;
    for (const BookJob* job = head_.get(); job; job = job->next.get()) {
        ++count;
    }
    return count;
}

void BookJobQueue::append(std::unique_ptr<BookJob> job) {
    BookJob* added = job.get();
    if (tail_) {
        tail_->next = std::move(job);
    } else {
        head_ = std::move(job);
    }
    tail_ = added;
}

void BookJobQueue::retireHead() {
    if (!head_) {
        return;
    }
    if (tail_ == head_.get()) {
        tail_ = nullptr;
    }
    head_ = std::move(head_->next);
}

void BookJobQueue::clear() {
    while (head_) {
        retireHead();
    }
}

} // namespace quillery
