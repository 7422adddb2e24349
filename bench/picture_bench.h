#pragma once

namespace quillery::bench {

// Picture fitting: a camera-sized JPEG photo fitted to the page, in grey and in colour.
void runPictureFitBench();

} // namespace quillery::bench
