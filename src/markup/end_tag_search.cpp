#include "markup/end_tag_search.h"

#include <algorithm>
#include <numeric>

namespace quillery {

std::vector<size_t> firstEndTagsAfter(std::string_view section, std::string_view endTag,
                                      const std::vector<size_t>& starts) {
    std::vector<size_t> ends(starts.size(), std::string_view::npos);
    std::vector<size_t> order(starts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return starts[a] < starts[b]; });
    // Starts in ascending order: the tag found for one start is also the first for every later start that
    // does not lie past it, so the section is searched once from left to right.
    size_t found = std::string_view::npos;
    bool searched = false;
    for (size_t k : order) {
        size_t start = starts[k];
        if (!searched || (found != std::string_view::npos && found < start)) {
            found = section.find(endTag, start);
            searched = true;
        }
        ends[k] = found;
    }
    return ends;
}

} // namespace quillery
