// Where the generated markup text came from: a map from its byte positions back to places (line, column) of
// the Markdown file, so that every message of a build can name the place the author wrote.
#pragma once

#include "framework/diagnostics.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace quillery::convert {

class PositionMap {
  public:
    // The generated text from `offset` on (up to the next mark) comes from `place`. Offsets never decrease.
    void mark(size_t offset, SourcePlace place);
    // The Markdown place of generated position `offset`; line 1, column 1 before the first mark.
    SourcePlace placeOf(size_t offset) const;
    // Learns the generated text's lines, so that places in it can be translated. Call once it is complete.
    void index(std::string_view generated);
    // The Markdown place of a place (line, column) of the generated text.
    SourcePlace translate(SourcePlace generated) const;
    size_t marks() const { return offsets_.size(); }

  private:
    std::vector<size_t> offsets_;
    std::vector<SourcePlace> places_;
    std::vector<size_t> lineStarts_{0};
    size_t length_ = 0;
};

} // namespace quillery::convert
