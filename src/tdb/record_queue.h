// A queue of text records compressed ahead on a thread pool and handed out in order.
//
// The cuts of a text depend on the text alone, so they are all made first; the pieces are then compressed on
// the pool, at most `window` of them ahead of the one handed out last, which bounds the memory in use. The
// records handed out are exactly those compressTextRecords makes, in the same order.
#pragma once

#include "framework/thread_pool.h"
#include "tdb/compressor.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace quillery {

class RecordQueue {
  public:
    // `compressor` must allow calls from several threads at once. `window` is at least 1.
    RecordQueue(Compressor& compressor, ThreadPool& pool, size_t window);
    // Abandons the records not handed out yet (waits for those being compressed).
    ~RecordQueue();
    RecordQueue(const RecordQueue&) = delete;
    RecordQueue& operator=(const RecordQueue&) = delete;

    // Cuts `text` (which must outlive the queue) into records behind those already queued; returns how many.
    // The first pieces are handed to the pool as soon as they are cut.
    size_t add(std::string_view text);

    struct Record {
        size_t start = 0;  // of the piece in its text
        size_t length = 0; // of the piece
        bool compressed = false;
        const uint8_t* bytes = nullptr; // the stream when compressed, valid until the next call of next()
        size_t size = 0;
    };
    // The tag of this queue's tasks in the pool: a thread that waits for the records to be taken can help
    // with them (ThreadPool::waitHelping).
    const void* group() const { return this; }

    // The length of piece `index` (counted over every text added).
    size_t pieceLength(size_t index) const { return pieces_[index].length; }

    // The next record. Precondition: one is left.
    Record next();

    // A window for a pool: a few pieces per thread that compresses.
    static size_t windowFor(const ThreadPool& pool) { return 4 * (pool.workerCount() + 1); }

  private:
    struct Piece {
        std::string_view text;
        size_t start;
        size_t length;
    };
    struct Slot {
        ThreadPool::TaskHandle task;
        std::unique_ptr<uint8_t[]> buffer;
        bool compressed = false;
        size_t size = 0;
    };

    void fill();
    void compress(const Piece& piece, Slot& slot);

    Compressor& compressor_;
    ThreadPool& pool_;
    std::vector<Piece> pieces_;
    std::vector<Slot> slots_; // piece k uses slot k % window
    size_t submitted_ = 0;
    size_t handedOut_ = 0;
    std::atomic<bool> abandoned_{false};
};

} // namespace quillery
