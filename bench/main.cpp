// quillery_bench: prints the throughput figures of the build's stages. With arguments, only the benchmarks
// named (text, paginate, view, build, image, index, markdown, epub, parallel,
// costs); the costs of hostile
// sources only when named, as they take a minute ("costs anchors images" runs only those cases).
#include "build_bench.h"
#include "cost_bench.h"
#include "epub_bench.h"
#include "image_bench.h"
#include "index_bench.h"
#include "markdown_bench.h"
#include "paginate_bench.h"
#include "parallel_bench.h"
#include "reader_view_bench.h"
#include "text_bench.h"

#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    auto wanted = [&](const char* name) {
        if (argc < 2) {
            return true;
        }
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], name) == 0) {
                return true;
            }
        }
        return false;
    };
    if (wanted("text")) {
        quillery::bench::runTextBench();
    }
    if (wanted("paginate")) {
        quillery::bench::runPaginateBench();
    }
    if (wanted("view")) {
        quillery::bench::runReaderViewBench();
    }
    if (wanted("build")) {
        quillery::bench::runBuildBench();
    }
    if (wanted("image")) {
        quillery::bench::runImageBench();
    }
    if (wanted("index")) {
        quillery::bench::runIndexBench();
    }
    if (wanted("markdown")) {
        quillery::bench::runMarkdownBench();
    }
    if (wanted("epub")) {
        quillery::bench::runEpubBench();
    }
    if (wanted("parallel")) {
        quillery::bench::runParallelBench();
    }
    if (argc >= 2 && wanted("costs")) {
        // Arguments after "costs" name single cases.
        std::vector<std::string> cases;
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "costs") == 0) {
                cases.assign(argv + i + 1, argv + argc);
            }
        }
        quillery::bench::runCostBench(cases);
    }
    return 0;
}
