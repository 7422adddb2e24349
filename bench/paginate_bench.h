// The paginateBook benchmark: both passes over a multi-megabyte book with real markup, printed beside
// compressTextRecords on the same text. Target: the two passes take at most 0.3 times the compression time.
#pragma once

namespace quillery::bench {

void runPaginateBench();

} // namespace quillery::bench
