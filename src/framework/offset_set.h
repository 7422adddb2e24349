// A set of names that are each given by a 32-bit value, normally where the name starts in the text: one
// open-addressing array of 4-byte slots, at most three quarters full. A source with hundreds of thousands of
// distinct names thus costs a few bytes per name instead of a string and a node of a node-based set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace quillery {

class OffsetSet {
  public:
    size_t size() const { return count_; }

    // Looks for a value whose name equals that of `value`; returns it, or adds `value` and returns nothing.
    // `hashOf(v)` is the hash of v's name (the same for equal names), `equal(a, b)` whether two names are
    // equal. Values are below UINT32_MAX.
    template <class HashOf, class Equal>
    std::optional<uint32_t> findOrAdd(uint32_t value, HashOf&& hashOf, Equal&& equal) {
        if ((count_ + 1) * 4 > capacity_ * 3) {
            grow(hashOf);
        }
        size_t mask = capacity_ - 1;
        for (size_t at = hashOf(value) & mask;; at = (at + 1) & mask) {
            uint32_t slot = slots_[at];
            if (slot == 0) {
                slots_[at] = value + 1;
                ++count_;
                return std::nullopt;
            }
            if (equal(slot - 1, value)) {
                return slot - 1;
            }
        }
    }

    // The values, in no particular order; the set is left empty and its memory given back.
    std::vector<uint32_t> take() {
        std::vector<uint32_t> values;
        values.reserve(count_);
        for (size_t at = 0; at < capacity_; ++at) {
            if (slots_[at] != 0) {
                values.push_back(slots_[at] - 1);
            }
        }
        slots_.reset();
        capacity_ = 0;
        count_ = 0;
        return values;
    }

  private:
    template <class HashOf> void grow(HashOf& hashOf) {
        size_t capacity = capacity_ == 0 ? 16 : capacity_ * 2;
        std::unique_ptr<uint32_t[]> slots(new uint32_t[capacity]());
        size_t mask = capacity - 1;
        for (size_t old = 0; old < capacity_; ++old) {
            uint32_t slot = slots_[old];
            if (slot == 0) {
                continue;
            }
            size_t at = hashOf(slot - 1) & mask;
            while (slots[at] != 0) {
                at = (at + 1) & mask;
            }
            slots[at] = slot;
        }
        slots_ = std::move(slots);
        capacity_ = capacity;
    }

    std::unique_ptr<uint32_t[]> slots_; // value + 1; 0 is a free slot
    size_t capacity_ = 0;               // a power of two
    size_t count_ = 0;
};

} // namespace quillery
