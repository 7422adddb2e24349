#include "markdown_bench.h"

#include "bench_text.h"
#include "build/build_book.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "markdown/markdown_converter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

namespace quillery::bench {
namespace {

// A Markdown book of about `bytes` bytes: chapters and sections, styled prose with links to the chapters,
// lists, quotes, code and footnotes.
std::string generateMarkdownBook(size_t bytes) {
    static const char* const kWords[] = {"the",   "harbour", "lamp",    "keeper", "caf\xC3\xA9",
                                         "tide",  "north",   "wind",    "stone",  "letter",
                                         "ferry", "quay",    "morning", "island"};
    std::string text = "---\ntitle: Benchmark\nauthor: Quillery\n---\n\n";
    unsigned seed = 1;
    auto word = [&] {
        seed = seed * 1103515245u + 12345u;
        return kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
    };
    for (int chapter = 1; text.size() < bytes; ++chapter) {
        text += "# Chapter " + std::to_string(chapter) + "\n\n## A section\n\n";
        for (int paragraph = 0; paragraph < 40; ++paragraph) {
            for (int k = 0; k < 60; ++k) {
                std::string w = word();
                text += k % 17 == 5 ? "*" + w + "*" : k % 23 == 7 ? "**" + w + "**" : w;
                text += k % 12 == 11 ? "\n" : " ";
            }
            text += "see [the chapter](#chapter-" + std::to_string(chapter) + ").";
            text += paragraph % 10 == 3 ? "[^c" + std::to_string(chapter) + "]\n\n" : "\n\n";
            if (paragraph % 10 == 6) {
                text += "- one item\n- another item\n\n> a quoted line of the keeper's log\n\n";
            }
        }
        text += "[^c" + std::to_string(chapter) + "]: A note on chapter " + std::to_string(chapter) + ".\n\n";
    }
    return text;
}

// Processor seconds taken by `work`, the best of `rounds` runs: on a shared machine the wall clock also
// counts the time other programs held the processor.
template <typename Work> double bestProcessorSeconds(int rounds, Work work) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        std::clock_t start = std::clock();
        work();
        double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        best = took < best ? took : best;
    }
    return best;
}

} // namespace

void runMarkdownBench() {
    char folder[] = "/tmp/quillery-markdown-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("markdown               (no scratch folder)\n");
        return;
    }
    const std::string markdownPath = std::string(folder) + "/bench.md";
    const std::string markupPath = std::string(folder) + "/bench.tml";
    const std::string outputPath = std::string(folder) + "/bench.tdb";
    std::string markdown = generateMarkdownBook(4 * 1000 * 1000);
    std::ofstream(markdownPath, std::ios::binary) << markdown;

    ReportHandler silent = [](const Report&) { return 0; };
    ReportHandler error = errorHandler(), warning = warningHandler(), note = noteHandler();
    setErrorHandler(silent);
    setWarningHandler(silent);
    setNoteHandler(silent);

    markdown::ConversionSettings settings;
    settings.markdownFolder = folder;
    std::string markup = markdown::convertMarkdown(markdown, settings).markup;
    std::ofstream(markupPath, std::ios::binary) << markup;

    BookInfo info;
    info.title = u"Benchmark";
    bool built = true;
    double markupSeconds = bestProcessorSeconds(5, [&] {
        FileService source(markupPath);
        FileService output(outputPath);
        built = !failed(buildBook(&source, &output, info, 0)) && built;
    });
    double convertSeconds = 1e9;
    double markdownSeconds = bestProcessorSeconds(5, [&] {
        std::clock_t start = std::clock();
        SourceText text;
        (void)readSource(markdownPath, text);
        markdown::Conversion conversion = markdown::convertMarkdown(text.view(), settings);
        convertSeconds = std::min(convertSeconds, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
        BuildSettings build;
        build.sourceText = conversion.markup;
        FileService source(markdownPath);
        FileService output(outputPath);
        built = !failed(buildBook(&source, &output, conversion.info, 0, build)) && built;
    });

    setErrorHandler(error);
    setWarningHandler(warning);
    setNoteHandler(note);
    std::printf("build of the .tml      %8.1f MB/s  (%.3f s of processor time, %.1f MB markup)\n",
                megabytesPerSecond(markup.size(), markupSeconds), markupSeconds, markup.size() / 1e6);
    std::printf(
        "convert + build .md    %8.1f MB/s  (%.3f s, %.1f MB Markdown, conversion %.3f s)   ratio %.3f "
        "(target <= 1.50)%s\n",
        megabytesPerSecond(markdown.size(), markdownSeconds), markdownSeconds, markdown.size() / 1e6,
        convertSeconds, markdownSeconds / markupSeconds, built ? "" : "  BUILD FAILED");
    for (const std::string* path : {&markdownPath, &markupPath, &outputPath}) {
        std::remove(path->c_str());
    }
    rmdir(folder);
}

} // namespace quillery::bench
