#pragma once

namespace quillery::bench {

// Converting and building an EPUB of a few MB of text: chapters in documents of their own, a table of
// contents, styled prose with links across documents, and footnotes.
void runEpubBench();

} // namespace quillery::bench
