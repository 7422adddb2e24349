#pragma once

namespace quillery::bench {

// Image conversion: a table of page-sized palette images, and the largest image the size limits let
// through to decoding (the worst a hostile file can cost); then picture fitting.
void runImageBench();

} // namespace quillery::bench
