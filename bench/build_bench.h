#pragma once

namespace quillery::bench {

// A whole build of a multi-megabyte source through buildBook, beside reading and compressing the same text;
// and the build's peak memory beside its source size.
void runBuildBench();

} // namespace quillery::bench
