// The reader view benchmark: laying out a 4.5 MB book in each font beside the build's two-pass pagination of
// the same text, then every page of the small font one by one. Targets: each font's view costs at most that
// font's pass of the build (both views together at most paginateBook), and pages take well under a
// millisecond.
#pragma once

namespace quillery::bench {

void runReaderViewBench();

} // namespace quillery::bench
