#pragma once

namespace quillery::bench {

// Builds on several threads beside the same builds on one: a whole build of a 4.5 MB text with 2 threads
// against reading and compressing it on one core, quillery-cli -j 2 against -j 1 over 20 books, and the peak
// memory of the two-thread build. Runs alternate, so that load from elsewhere on the machine falls on both.
void runParallelBench();

} // namespace quillery::bench
