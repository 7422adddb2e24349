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

} // namespace quillery
