// Where the generated markup text came from: a map from its byte positions back to places (line, column) of
// the source, so that every message of a build can name the place the author wrote. A source made of several
// files (the content documents of an EPUB) numbers them as parts; a source of one file is part 0 throughout.
#pragma once

#include "framework/diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace quillery::convert {

class PositionMap {
  public:
    // The generated text from `offset` on (up to the next mark) comes from `place` of `part`. Offsets never
    // decrease.
    void mark(size_t offset, SourcePlace place, uint32_t part = 0) {
        // Called for every piece of text and markup written: kept here, where the writer can inline it.
        if (part != 0 && parts_.empty()) {
            parts_.assign(offsets_.size(), 0);
        }
        if (!offsets_.empty() && offsets_.back() == offset) {
            places_.back() = place;
            if (!parts_.empty()) {
                parts_.back() = part;
            }
        } else if (places_.empty() || places_.back().line != place.line ||
                   places_.back().column != place.column || (!parts_.empty() && parts_.back() != part)) {
            offsets_.push_back(offset);
            places_.push_back(place);
            if (!parts_.empty()) {
                parts_.push_back(part);
            }
        }
    }
    // Room for `marks` marks, so that a long text does not copy the map as it grows.
    void reserve(size_t marks) {
        offsets_.reserve(marks);
        places_.reserve(marks);
    }
    // The Markdown place of generated position `offset`; line 1, column 1 before the first mark.
    SourcePlace placeOf(size_t offset) const;
    // Learns the generated text's lines, so that places in it can be translated. Call once it is complete.
    void index(std::string_view generated);
    // The Markdown place of a place (line, column) of the generated text.
    SourcePlace translate(SourcePlace generated) const;
    // The part that place of the generated text comes from.
    uint32_t partOf(SourcePlace generated) const;
    size_t marks() const { return offsets_.size(); }

  private:
    size_t offsetOf(SourcePlace generated) const;

    std::vector<size_t> offsets_;
    std::vector<SourcePlace> places_;
    std::vector<uint32_t> parts_; // empty while every mark is of part 0
    std::vector<size_t> lineStarts_{0};
    size_t length_ = 0;
};

} // namespace quillery::convert
