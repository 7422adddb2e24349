// A seeded generator of 15-bit values (0 to 32767), the draws behind a book's random tag.
#pragma once

#include <cstdint>

namespace quillery {

class RandomGenerator {
  public:
    explicit RandomGenerator(uint32_t seed = 1) : state_(seed) {}
    void seed(uint32_t seed) { state_ = seed; }
    uint16_t next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<uint16_t>((state_ >> 16) & 0x7FFF);
    }

  private:
    uint32_t state_;
};

} // namespace quillery
