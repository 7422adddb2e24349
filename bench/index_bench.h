#pragma once

namespace quillery::bench {

// A dictionary build of a generated index of 100 000 items through buildBook, beside the same text built
// without its \I tags. Target: the index costs at most half again the build without it.
void runIndexBench();

} // namespace quillery::bench
