#pragma once

namespace quillery::bench {

// Mapping and text record compression of a multi-megabyte text, beside a bare loop of zlib.
void runTextBench();

} // namespace quillery::bench
