// The order of names and paths in the book's tables: bytes compared as signed values (bytes 128 to 255 come
// before the ASCII range), and a name before a longer one that begins with it. The reader looks names up in
// this order.
#pragma once

#include <algorithm>
#include <string_view>

namespace quillery {

inline bool signedByteLess(std::string_view left, std::string_view right) {
    size_t common = std::min(left.size(), right.size());
    for (size_t i = 0; i < common; ++i) {
        auto a = static_cast<signed char>(left[i]);
        auto b = static_cast<signed char>(right[i]);
        if (a != b) {
            return a < b;
        }
    }
    return left.size() < right.size();
}

inline char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The same order on names with their ASCII letters lowered, without copying them: -1, 0 or 1.
inline int compareLoweredSigned(std::string_view left, std::string_view right) {
    size_t common = std::min(left.size(), right.size());
    for (size_t i = 0; i < common; ++i) {
        auto a = static_cast<signed char>(lowerAscii(left[i]));
        auto b = static_cast<signed char>(lowerAscii(right[i]));
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return left.size() == right.size() ? 0 : (left.size() < right.size() ? -1 : 1);
}

} // namespace quillery
