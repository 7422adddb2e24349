// The paginateBook benchmark: both passes over a multi-megabyte book with real markup, printed beside
// compressTextRecords on the same text. Target: the two passes take at most 0.3 times the compression time.
#pragma once

#include <cstddef>
#include <string>

namespace quillery::bench {

// About `bytes` of book text with real markup: prose drawn from a vocabulary of a few hundred words (varied
// enough that zlib works as hard as on a real book), with chapters, headings, styles, soft hyphens, links,
// anchors, footnote references, \a characters and page breaks at a book's frequencies.
std::string makeMarkupBook(size_t bytes);

void runPaginateBench();

} // namespace quillery::bench
