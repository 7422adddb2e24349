#include "build/block_split.h"

#include <algorithm>

namespace quillery {

size_t mainTextLength(std::string_view text) {
    size_t sidebar = text.find("<sidebar id=\"");
    size_t footnote = text.find("<footnote id=\"");
    return std::min({sidebar, footnote, text.size()});
}

} // namespace quillery
