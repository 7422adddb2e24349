// quillery_bench: prints the throughput figures of the build's stages.
#include "text_bench.h"

int main() {
    quillery::bench::runTextBench();
    return 0;
}
