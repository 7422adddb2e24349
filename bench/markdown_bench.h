#pragma once

namespace quillery::bench {

// Converting and building a 4 MB Markdown book, beside building the markup it converts to as a .tml source.
void runMarkdownBench();

} // namespace quillery::bench
