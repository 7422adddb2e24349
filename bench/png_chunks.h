// Writing PNG files by hand for the benchmarks: big-endian values and chunks with their CRC.
#pragma once

#include <cstdint>
#include <string>
#include <zlib.h>

namespace quillery::bench {

inline void appendU32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>(value >> shift));
    }
}

inline void appendChunk(std::string& out, const char* type, const std::string& data) {
    appendU32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    appendU32(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                               static_cast<uInt>(body.size()))));
}

} // namespace quillery::bench
