// Where the bodies of sidebars or footnotes end: for each body start, the first end tag at or after it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace quillery {

// For each of `starts`, where the first occurrence of `endTag` at or after it begins in `section`, or npos:
// the same answers as section.find(endTag, start) for each start, from one walk over the section. A body
// whose end tag is missing would otherwise search on to the end of the section, once per body.
std::vector<size_t> firstEndTagsAfter(std::string_view section, std::string_view endTag,
                                      const std::vector<size_t>& starts);

} // namespace quillery
