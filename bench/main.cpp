// quillery_bench: prints the throughput figures of the build's stages.
#include "build_bench.h"
#include "image_bench.h"
#include "paginate_bench.h"
#include "text_bench.h"

int main() {
    quillery::bench::runTextBench();
    quillery::bench::runPaginateBench();
    quillery::bench::runBuildBench();
    quillery::bench::runImageBench();
    return 0;
}
