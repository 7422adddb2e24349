#include "tdb/record_queue.h"

#include "tdb/book_format.h"
#include "tdb/text_records.h"

#include <algorithm>

namespace quillery {

RecordQueue::RecordQueue(Compressor& compressor, ThreadPool& pool, size_t window)
    : compressor_(compressor), pool_(pool), slots_(std::max<size_t>(window, 1)) {
    for (Slot& slot : slots_) {
        slot.buffer.reset(new uint8_t[kTextRecordSize + 8]());
    }
}

RecordQueue::~RecordQueue() {
    abandoned_ = true;
    for (size_t k = handedOut_; k < submitted_; ++k) {
        pool_.wait(slots_[k % slots_.size()].task);
    }
}

size_t RecordQueue::add(std::string_view text) {
    size_t before = pieces_.size();
    size_t done = 0;
    while (done < text.size()) {
        size_t n = std::min(kTextRecordSize, text.size() - done);
        if (n == kTextRecordSize && done + n < text.size()) {
            n = findRecordBreak(text.substr(done));
        }
        pieces_.push_back({text, done, n});
        done += n;
        // The pool starts on the first pieces while the rest are cut.
        fill();
    }
    return pieces_.size() - before;
}

void RecordQueue::compress(const Piece& piece, Slot& slot) {
    if (abandoned_) {
        return;
    }
    slot.size = kTextRecordSize;
    slot.compressed = compressor_.compress(reinterpret_cast<const uint8_t*>(piece.text.data() + piece.start),
                                           piece.length, slot.buffer.get(), &slot.size);
}

void RecordQueue::fill() {
    while (submitted_ < pieces_.size() && submitted_ < handedOut_ + slots_.size()) {
        Slot& slot = slots_[submitted_ % slots_.size()];
        slot.task = pool_.submit([this, piece = pieces_[submitted_], &slot] { compress(piece, slot); }, this);
        ++submitted_;
    }
}

RecordQueue::Record RecordQueue::next() {
    fill();
    Slot& slot = slots_[handedOut_ % slots_.size()];
    // While a worker compresses this piece, this thread compresses later ones instead of idling.
    for (size_t k = handedOut_ + 1; k < submitted_ && !pool_.isDone(slot.task); ++k) {
        (void)pool_.runIfQueued(slots_[k % slots_.size()].task);
    }
    pool_.wait(slot.task);
    const Piece& piece = pieces_[handedOut_];
    ++handedOut_;
    return {piece.start, piece.length, slot.compressed, slot.buffer.get(), slot.size};
}

} // namespace quillery
