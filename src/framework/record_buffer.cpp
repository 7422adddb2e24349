#include "framework/record_buffer.h"

#include "framework/byte_order.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

namespace quillery {

RecordBuffer::RecordBuffer(size_t elementSize, size_t initialCapacity, size_t growthStep)
    : elementSize_(elementSize == 0 ? 1 : elementSize), growthStep_(growthStep) {
    if (initialCapacity > 0) {
        (void)reserveFor(initialCapacity);
    }
}

RecordBuffer::RecordBuffer(RecordBuffer&&) noexcept = default;
RecordBuffer& RecordBuffer::operator=(RecordBuffer&&) noexcept = default;
RecordBuffer::~RecordBuffer() = default;

bool RecordBuffer::reserveFor(size_t extraBytes) {
    if (extraBytes > SIZE_MAX - length_) {
        return false;
    }
    size_t needed = length_ + extraBytes;
    if (needed <= capacity_) {
        return true;
    }
    size_t capacity = capacity_;
    while (capacity < needed) {
        size_t step = growthStep_ != 0 ? std::max(growthStep_, capacity / 2) : std::max<size_t>(capacity, 16);
        if (step > SIZE_MAX - capacity) {
            capacity = needed;
            break;
        }
        capacity += step;
    }
    std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[capacity]);
    if (!grown) {
        return false;
    }
    if (length_ > 0) {
        std::memcpy(grown.get(), data_.get(), length_);
    }
    data_ = std::move(grown);
    capacity_ = capacity;
    return true;
}

bool RecordBuffer::appendBytes(const void* bytes, size_t length) {
    if (length == 0) {
        return true;
    }
    if (!reserveFor(length)) {
        return false;
    }
    std::memcpy(data_.get() + length_, bytes, length);
    length_ += length;
    return true;
}

bool RecordBuffer::appendU16(uint16_t value) {
    uint8_t bytes[2];
    putU16BE(bytes, value);
    return appendBytes(bytes, sizeof bytes);
}

bool RecordBuffer::appendU32(uint32_t value) {
    uint8_t bytes[4];
    putU32BE(bytes, value);
    return appendBytes(bytes, sizeof bytes);
}

bool RecordBuffer::setByteLength(size_t length) {
    if (length <= length_) {
        length_ = length;
        return true;
    }
    if (!reserveFor(length - length_)) {
        return false;
    }
    std::memset(data_.get() + length_, 0, length - length_);
    length_ = length;
    return true;
}

void RecordBuffer::copyOut(size_t index, void* element) const {
    std::memcpy(element, at(index), elementSize_);
}

void RecordBuffer::copyIn(size_t index, const void* element) {
    std::memcpy(at(index), element, elementSize_);
}

bool RecordBuffer::insert(size_t index, const void* source, size_t elements) {
    size_t bytes = elements * elementSize_;
    if (index > count() || !reserveFor(bytes)) {
        return false;
    }
    uint8_t* place = at(index);
    std::memmove(place + bytes, place, length_ - index * elementSize_);
    std::memcpy(place, source, bytes);
    length_ += bytes;
    return true;
}

void RecordBuffer::remove(size_t index, size_t elements) {
    size_t total = count();
    if (index >= total) {
        return;
    }
    elements = std::min(elements, total - index);
    uint8_t* place = at(index);
    size_t tail = (total - index - elements) * elementSize_;
    std::memmove(place, place + elements * elementSize_, tail);
    length_ -= elements * elementSize_;
}

bool RecordBuffer::sort(const Less& less) {
    size_t total = count();
    if (total < 2) {
        return true;
    }
    try {
        std::vector<size_t> order(total);
        std::iota(order.begin(), order.end(), size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(at(a), at(b)); });
        std::vector<uint8_t> sorted(length_);
        for (size_t i = 0; i < total; ++i) {
            std::memcpy(sorted.data() + i * elementSize_, at(order[i]), elementSize_);
        }
        std::memcpy(data_.get(), sorted.data(), total * elementSize_);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

uint32_t RecordBuffer::u32At(size_t index) const {
    return readU32BE(at(index));
}

} // namespace quillery
