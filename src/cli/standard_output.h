// The end of every run of quillery-cli: what was printed on standard output must have reached it.
#pragma once

#include <cstdio>

namespace quillery::cli {

// Puts a read-only /dev/null on each of the descriptors 0, 1 and 2 that is not open, so that no file the run
// opens can take its number and receive what is meant for standard output; writes to it still fail (EBADF)
// and are reported at the end like any lost output.
void reserveStandardDescriptors();

// Flushes and closes `out`. When any write to it failed (a full disk, /dev/full, a closed pipe end) says so
// on `err` and returns 1; otherwise 0. A stream that was already closed with nothing left to write is no
// failure.
int closeStandardOutput(FILE* out, FILE* err);

} // namespace quillery::cli
