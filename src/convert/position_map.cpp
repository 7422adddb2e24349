#include "convert/position_map.h"

#include <algorithm>
#include <cstring>

namespace quillery::convert {

SourcePlace PositionMap::placeOf(size_t offset) const {
    auto next = std::upper_bound(offsets_.begin(), offsets_.end(), offset);
    if (next == offsets_.begin()) {
        return {};
    }
    return places_[static_cast<size_t>(next - offsets_.begin()) - 1];
}

void PositionMap::index(std::string_view generated) {
    lineStarts_.assign(1, 0);
    const char* start = generated.data();
    const char* end = start + generated.size();
    for (const char* at = start; at != end;) {
        const void* lineEnd = std::memchr(at, '\n', static_cast<size_t>(end - at));
        if (lineEnd == nullptr) {
            break;
        }
        at = static_cast<const char*>(lineEnd) + 1;
        lineStarts_.push_back(static_cast<size_t>(at - start));
    }
    length_ = generated.size();
}

SourcePlace PositionMap::translate(SourcePlace generated) const {
    return placeOf(offsetOf(generated));
}

uint32_t PositionMap::partOf(SourcePlace generated) const {
    if (parts_.empty()) {
        return 0;
    }
    auto next = std::upper_bound(offsets_.begin(), offsets_.end(), offsetOf(generated));
    return next == offsets_.begin() ? 0 : parts_[static_cast<size_t>(next - offsets_.begin()) - 1];
}

size_t PositionMap::offsetOf(SourcePlace generated) const {
    size_t line = std::clamp<size_t>(generated.line, 1, lineStarts_.size());
    size_t offset = lineStarts_[line - 1] + (generated.column > 0 ? generated.column - 1 : 0);
    return std::min(offset, length_);
}

} // namespace quillery::convert
