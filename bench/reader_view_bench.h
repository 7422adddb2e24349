// The reader view benchmark: laying out a 4.5 MB book in one font beside the build's two-pass pagination of
// the same text, then every page of it one by one. Targets: the view's pass costs at most one font's pass of
// the build (half of paginateBook), and no page takes a millisecond.
#pragma once

namespace quillery::bench {

void runReaderViewBench();

} // namespace quillery::bench
