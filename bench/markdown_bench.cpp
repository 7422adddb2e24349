#include "markdown_bench.h"

#include "bench_text.h"
#include "build/build_book.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "markdown/markdown_converter.h"
#include "markdown/parsed_document.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

namespace quillery::bench {
namespace {

constexpr size_t kBookBytes = 4 * 1000 * 1000;
constexpr int kRounds = 5;

// A small deterministic generator, the same on every machine.
class Random {
  public:
    unsigned next(unsigned below) {
        seed_ = seed_ * 1103515245u + 12345u;
        return (seed_ >> 16) % below;
    }

  private:
    unsigned seed_ = 1;
};

// A Markdown book of about `bytes` bytes dense with constructs: chapters and sections, emphasis every 17
// words, a link to a chapter in every paragraph, a soft line break every 12 words, lists, quotes and
// footnotes. Every inline is a node of the parser's tree: this is the costliest text per byte an author is
// likely to write.
std::string generateDenseBook(size_t bytes) {
    static const char* const kWords[] = {"the",   "harbour", "lamp",    "keeper", "caf\xC3\xA9",
                                         "tide",  "north",   "wind",    "stone",  "letter",
                                         "ferry", "quay",    "morning", "island"};
    std::string text = "---\ntitle: Benchmark\nauthor: Quillery\n---\n\n";
    Random random;
    auto word = [&] { return kWords[random.next(sizeof kWords / sizeof kWords[0])]; };
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

// A Markdown book of about `bytes` bytes shaped like a novel: chapters as level-1 headings, paragraphs
// hard-wrapped at 72 columns with curly quotes in the dialogue, emphasis on about one word in a hundred, a
// scene break in each chapter, and now and then a footnote or a link back to an earlier chapter.
std::string generateProseBook(size_t bytes) {
    static const char* const kWords[] = {
        "the",   "harbour", "lamp",   "keeper", "tide",   "north",  "wind",    "stone", "letter", "ferry",
        "quay",  "morning", "island", "and",    "of",     "to",     "in",      "was",   "he",     "she",
        "that",  "it",      "with",   "his",    "her",    "for",    "as",      "on",    "at",     "by",
        "had",   "not",     "but",    "from",   "they",   "we",     "be",      "this",  "window", "light",
        "night", "water",   "boat",   "ropes",  "silent", "walked", "towards", "old",   "grey",   "never"};
    constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];
    constexpr size_t kWrap = 72;
    std::string text = "---\ntitle: Prose\nauthor: Quillery\n---\n\n";
    Random random;
    int notes = 0;
    for (int chapter = 1; text.size() < bytes; ++chapter) {
        text += "# Chapter " + std::to_string(chapter) + "\n\n";
        std::string definitions;
        for (int paragraph = 0; paragraph < 60; ++paragraph) {
            if (paragraph == 30) {
                text += "* * *\n\n";
            }
            std::string line = paragraph % 4 == 1 ? "\xE2\x80\x9C" : "";
            unsigned words = 40 + random.next(120);
            for (unsigned k = 0; k < words; ++k) {
                std::string w = kWords[random.next(kWordCount)];
                if (random.next(100) == 0) {
                    w = "*" + w + "*";
                }
                if (k + 1 == words) {
                    w += paragraph % 4 == 1 ? ".\xE2\x80\x9D" : ".";
                } else if (random.next(12) == 0) {
                    w += ",";
                }
                if (!line.empty() && line.size() + 1 + w.size() > kWrap) {
                    text += line + "\n";
                    line.clear();
                }
                if (!line.empty() && line != "\xE2\x80\x9C") {
                    line += ' ';
                }
                line += w;
            }
            text += line;
            if (paragraph % 50 == 17) {
                std::string reference = "[^n" + std::to_string(++notes) + "]";
                text += reference;
                definitions += reference + ": The keeper\xE2\x80\x99s log says otherwise.\n\n";
            }
            if (chapter > 1 && paragraph % 40 == 23) {
                text += "\n(as [before](#chapter-" + std::to_string(chapter - 1) + "))";
            }
            text += "\n\n";
        }
        text += definitions;
    }
    return text;
}

// Processor seconds taken by `work`: on a shared machine the wall clock also counts the time other programs
// held the processor.
template <typename Work> double processorSeconds(Work work) {
    std::clock_t start = std::clock();
    work();
    return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

struct Figures {
    double markupBuild = 1e9;   // building the generated .tml
    double parse = 1e9;         // the parser alone over the Markdown text
    double conversion = 1e9;    // reading and converting the .md
    double markdownBuild = 1e9; // reading, converting and building the .md
    size_t markupBytes = 0;
    bool built = true;
};

// Times one book. The rounds interleave the .tml and the .md builds, so that both meet the same machine,
// and each side keeps its best round; both builds are given the same book information.
Figures measureBook(const std::string& folder, const std::string& markdown) {
    const std::string markdownPath = folder + "/bench.md";
    const std::string markupPath = folder + "/bench.tml";
    const std::string outputPath = folder + "/bench.tdb";
    std::ofstream(markdownPath, std::ios::binary) << markdown;

    markdown::ConversionSettings settings;
    settings.markdownFolder = folder;
    markdown::Conversion generated = markdown::convertMarkdown(markdown, settings);
    std::ofstream(markupPath, std::ios::binary) << generated.markup;

    Figures figures;
    figures.markupBytes = generated.markup.size();
    for (int round = 0; round < kRounds; ++round) {
        figures.markupBuild =
            std::min(figures.markupBuild, processorSeconds([&] {
                         FileService source(markupPath);
                         FileService output(outputPath);
                         figures.built =
                             !failed(buildBook(&source, &output, generated.info, 0)) && figures.built;
                     }));
        figures.parse =
            std::min(figures.parse, processorSeconds([&] { markdown::ParsedDocument parsed(markdown); }));
        double conversion = 0;
        figures.markdownBuild =
            std::min(figures.markdownBuild, processorSeconds([&] {
                         markdown::Conversion converted;
                         conversion = processorSeconds([&] {
                             SourceText text;
                             (void)readSource(markdownPath, text);
                             converted = markdown::convertMarkdown(text.view(), settings);
                         });
                         BuildSettings build;
                         build.sourceText = converted.markup;
                         FileService source(markdownPath);
                         FileService output(outputPath);
                         figures.built =
                             !failed(buildBook(&source, &output, converted.info, 0, build)) && figures.built;
                     }));
        figures.conversion = std::min(figures.conversion, conversion);
    }
    for (const std::string* path : {&markdownPath, &markupPath, &outputPath}) {
        std::remove(path->c_str());
    }
    return figures;
}

void printFigures(const char* book, size_t markdownBytes, const Figures& figures) {
    std::printf("markdown, %s: %.1f MB Markdown, %.1f MB markup%s\n", book, markdownBytes / 1e6,
                figures.markupBytes / 1e6, figures.built ? "" : "  BUILD FAILED");
    std::printf("  build of the .tml     %8.1f MB/s  (%.3f s of processor time)\n",
                megabytesPerSecond(figures.markupBytes, figures.markupBuild), figures.markupBuild);
    std::printf("  parse only (floor)    %8.1f MB/s  (%.3f s)   ratio %.3f\n",
                megabytesPerSecond(markdownBytes, figures.parse), figures.parse,
                figures.parse / figures.markupBuild);
    std::printf(
        "  convert + build .md   %8.1f MB/s  (%.3f s, conversion %.3f s)   ratio %.3f (target <= 1.50)\n",
        megabytesPerSecond(markdownBytes, figures.markdownBuild), figures.markdownBuild, figures.conversion,
        figures.markdownBuild / figures.markupBuild);
}

} // namespace

void runMarkdownBench() {
    char folder[] = "/tmp/quillery-markdown-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("markdown               (no scratch folder)\n");
        return;
    }
    ReportHandler silent = [](const Report&) { return 0; };
    ReportHandler error = errorHandler(), warning = warningHandler(), note = noteHandler();
    setErrorHandler(silent);
    setWarningHandler(silent);
    setNoteHandler(silent);

    std::string dense = generateDenseBook(kBookBytes);
    Figures denseFigures = measureBook(folder, dense);
    std::string prose = generateProseBook(kBookBytes);
    Figures proseFigures = measureBook(folder, prose);

    setErrorHandler(error);
    setWarningHandler(warning);
    setNoteHandler(note);
    printFigures("dense book (an inline every few words)", dense.size(), denseFigures);
    printFigures("prose book (a novel)", prose.size(), proseFigures);
    rmdir(folder);
}

} // namespace quillery::bench
