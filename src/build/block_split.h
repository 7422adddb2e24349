// The block section: the sidebar and footnote definitions that follow the main text.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillery {

// Length of the main text: the offset of the first sidebar or footnote opening tag, or the whole text.
// Everything from there on is the block section.
size_t mainTextLength(std::string_view text);

} // namespace quillery
