#include "convert/position_map.h"

#include <algorithm>

namespace quillery::convert {

void PositionMap::mark(size_t offset, SourcePlace place, uint32_t part) {
    if (part != 0 && parts_.empty()) {
        parts_.assign(offsets_.size(), 0);
    }
    if (!offsets_.empty() && offsets_.back() == offset) {
        places_.back() = place;
        if (!parts_.empty()) {
            parts_.back() = part;
        }
        return;
    }
    if (!places_.empty() && places_.back().line == place.line && places_.back().column == place.column &&
        (parts_.empty() || parts_.back() == part)) {
        return;
    }
    offsets_.push_back(offset);
    places_.push_back(place);
    if (!parts_.empty()) {
        parts_.push_back(part);
    }
}

SourcePlace PositionMap::placeOf(size_t offset) const {
    auto next = std::upper_bound(offsets_.begin(), offsets_.end(), offset);
    if (next == offsets_.begin()) {
        return {};
    }
    return places_[static_cast<size_t>(next - offsets_.begin()) - 1];
}

void PositionMap::index(std::string_view generated) {
    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < generated.size(); ++i) {
        if (generated[i] == '\n') {
            lineStarts_.push_back(i + 1);
        }
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
