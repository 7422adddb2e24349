// Big-endian encoding, the only byte order of the book database.
#pragma once

#include <cstdint>

namespace quillery {

inline void putU16BE(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value >> 8);
    out[1] = static_cast<uint8_t>(value);
}

inline void putU32BE(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value >> 24);
    out[1] = static_cast<uint8_t>(value >> 16);
    out[2] = static_cast<uint8_t>(value >> 8);
    out[3] = static_cast<uint8_t>(value);
}

inline uint16_t readU16BE(const uint8_t* in) {
    return static_cast<uint16_t>((in[0] << 8) | in[1]);
}

inline uint32_t readU32BE(const uint8_t* in) {
    return (uint32_t{in[0]} << 24) | (uint32_t{in[1]} << 16) | (uint32_t{in[2]} << 8) | uint32_t{in[3]};
}

} // namespace quillery
