#pragma once

namespace quillery::bench {

// Converting and building two 4 MB Markdown books (one dense with inline constructs, one shaped like a novel),
// each beside building the markup it converts to as a .tml source and beside the parser's own share.
void runMarkdownBench();

} // namespace quillery::bench
