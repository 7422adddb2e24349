// RecordBuffer: a growable byte array read as elements of a fixed size.
//
// It backs the byte buffers of a build and the lists of 32-bit values the driver keeps (stored big-endian,
// the byte order of the book, so a list can be written out as it stands). Growth doubles the capacity, or,
// when a step was given, adds that step or half the capacity, whichever is larger: the step sets the pace of
// a small buffer, while a large one still grows geometrically, so that appending stays amortised constant
// time (a fixed step alone would copy everything again every few kilobytes). Operations that allocate return
// false when memory cannot be had and leave the buffer as it was: allocation failure is a value here, never
// an exception.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace quillery {

class RecordBuffer {
  public:
    // elementSize >= 1; growthStep 0 means "double the capacity", any other value is the least growth.
    explicit RecordBuffer(size_t elementSize = 1, size_t initialCapacity = 0, size_t growthStep = 0);
    RecordBuffer(RecordBuffer&&) noexcept;
    RecordBuffer& operator=(RecordBuffer&&) noexcept;
    RecordBuffer(const RecordBuffer&) = delete;
    RecordBuffer& operator=(const RecordBuffer&) = delete;
    ~RecordBuffer();

    size_t elementSize() const { return elementSize_; }
    size_t byteLength() const { return length_; }
    size_t byteCapacity() const { return capacity_; }
    size_t count() const { return length_ / elementSize_; }
    bool empty() const { return length_ == 0; }
    const uint8_t* data() const { return data_.get(); }
    uint8_t* data() { return data_.get(); }

    [[nodiscard]] bool appendBytes(const void* bytes, size_t length);
    [[nodiscard]] bool appendU16(uint16_t value);
    [[nodiscard]] bool appendU32(uint32_t value);
    // Grows zero-filled or shrinks, in bytes.
    [[nodiscard]] bool setByteLength(size_t length);
    [[nodiscard]] bool setCount(size_t elements) { return setByteLength(elements * elementSize_); }

    // Element i (i < count()) copied out of or into the buffer, elementSize() bytes.
    void copyOut(size_t index, void* element) const;
    void copyIn(size_t index, const void* element);
    const uint8_t* at(size_t index) const { return data_.get() + index * elementSize_; }
    uint8_t* at(size_t index) { return data_.get() + index * elementSize_; }

    // Inserts `elements` elements read from `source` before element `index` (index <= count()).
    [[nodiscard]] bool insert(size_t index, const void* source, size_t elements = 1);
    // Removes `elements` elements from `index` on; a range past the end is clipped.
    void remove(size_t index, size_t elements = 1);

    // Stable sort of the elements; `less` compares two elements' bytes.
    using Less = std::function<bool(const uint8_t*, const uint8_t*)>;
    [[nodiscard]] bool sort(const Less& less);

    // For lists of 32-bit values (element size 4): element i decoded from big-endian.
    uint32_t u32At(size_t index) const;

    void clear() { length_ = 0; }

  private:
    [[nodiscard]] bool reserveFor(size_t extraBytes);

    size_t elementSize_;
    size_t growthStep_;
    size_t capacity_ = 0;
    size_t length_ = 0;
    std::unique_ptr<uint8_t[]> data_;
};

} // namespace quillery
