#include "epub_bench.h"

#include "bench_text.h"
#include "build/build_book.h"
#include "epub/epub_converter.h"
#include "framework/diagnostics.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>
#include <zip.h>

namespace quillery::bench {
namespace {

constexpr int kChapters = 40;

std::string chapterDocument(int chapter, size_t bytes) {
    static const char* const kWords[] = {"the",   "harbour", "lamp",    "keeper", "caf\xC3\xA9",
                                         "tide",  "north",   "wind",    "stone",  "letter",
                                         "ferry", "quay",    "morning", "island"};
    unsigned seed = static_cast<unsigned>(chapter);
    auto word = [&] {
        seed = seed * 1103515245u + 12345u;
        return kWords[(seed >> 16) % (sizeof kWords / sizeof kWords[0])];
    };
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
        "xmlns:epub=\"http://www.idpf.org/2007/ops\"><head><title>c</title></head><body>\n<section "
        "id=\"c" +
        std::to_string(chapter) + "\"><h1>Chapter " + std::to_string(chapter) + "</h1>\n";
    for (int paragraph = 0; text.size() < bytes; ++paragraph) {
        text += "<p>";
        for (int k = 0; k < 60; ++k) {
            std::string w = word();
            text += k % 17 == 5 ? "<em>" + w + "</em>" : k % 23 == 7 ? "<strong>" + w + "</strong>" : w;
            text += k % 12 == 11 ? "\n" : " ";
        }
        text += "see <a href=\"ch" + std::to_string((chapter % kChapters) + 1) + ".xhtml#c" +
                std::to_string((chapter % kChapters) + 1) + "\">the next chapter</a>.";
        if (paragraph % 10 == 3) {
            text += "<a epub:type=\"noteref\" href=\"#n" + std::to_string(paragraph) + "\">*</a>";
        }
        text += "</p>\n";
        if (paragraph % 10 == 3) {
            text += "<aside epub:type=\"footnote\" id=\"n" + std::to_string(paragraph) +
                    "\"><p>A note.</p></aside>\n";
        }
    }
    return text + "</section></body></html>\n";
}

std::string makeEpub(size_t bytes, size_t& textBytes) {
    std::vector<std::string> documents;
    std::string manifest, spine, nav;
    for (int chapter = 1; chapter <= kChapters; ++chapter) {
        std::string name = "ch" + std::to_string(chapter) + ".xhtml";
        documents.push_back(chapterDocument(chapter, bytes / kChapters));
        textBytes += documents.back().size();
        manifest += "<item id=\"c" + std::to_string(chapter) + "\" href=\"" + name +
                    "\" media-type=\"application/xhtml+xml\"/>";
        spine += "<itemref idref=\"c" + std::to_string(chapter) + "\"/>";
        nav += "<li><a href=\"" + name + "#c" + std::to_string(chapter) + "\">Chapter " +
               std::to_string(chapter) + "</a></li>";
    }
    std::string container =
        "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>";
    std::string package =
        "<package xmlns=\"http://www.idpf.org/2007/opf\"><metadata "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Benchmark</dc:title></metadata>"
        "<manifest><item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
        "properties=\"nav\"/>" +
        manifest + "</manifest><spine>" + spine + "</spine></package>";
    std::string navDocument =
        "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
        "<body><nav epub:type=\"toc\"><ol>" +
        nav + "</ol></nav></body></html>";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(source);
    zip_t* archive = zip_open_from_source(source, ZIP_TRUNCATE, &error);
    auto add = [archive](const std::string& name, const std::string& bytes) {
        zip_file_add(archive, name.c_str(), zip_source_buffer(archive, bytes.data(), bytes.size(), 0), 0);
    };
    add("META-INF/container.xml", container);
    add("OEBPS/content.opf", package);
    add("OEBPS/nav.xhtml", navDocument);
    for (size_t k = 0; k < documents.size(); ++k) {
        add("OEBPS/ch" + std::to_string(k + 1) + ".xhtml", documents[k]);
    }
    zip_close(archive);
    std::string epub;
    if (zip_source_open(source) == 0) {
        char chunk[65536];
        for (zip_int64_t got; (got = zip_source_read(source, chunk, sizeof chunk)) > 0;) {
            epub.append(chunk, static_cast<size_t>(got));
        }
        zip_source_close(source);
    }
    zip_source_free(source);
    zip_error_fini(&error);
    return epub;
}

} // namespace

void runEpubBench() {
    char folder[] = "/tmp/quillery-epub-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::printf("epub                   (no scratch folder)\n");
        return;
    }
    size_t textBytes = 0;
    std::string epub = makeEpub(4 * 1000 * 1000, textBytes);
    const std::string sourcePath = std::string(folder) + "/bench.epub";
    const std::string outputPath = std::string(folder) + "/bench.tdb";
    std::ofstream(sourcePath, std::ios::binary) << epub;

    ReportHandler silent = [](const Report&) { return 0; };
    ReportHandler error = errorHandler(), warning = warningHandler(), note = noteHandler();
    setErrorHandler(silent);
    setWarningHandler(silent);
    setNoteHandler(silent);
    bool built = true;
    double best = 1e9, bestConvert = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::clock_t start = std::clock();
        epub::EpubConversion conversion = epub::convertEpub(epub, epub::EpubSettings{});
        std::clock_t converted = std::clock();
        BuildSettings build;
        build.sourceText = conversion.markup;
        FileService source(sourcePath);
        FileService output(outputPath);
        built = conversion.errors == 0 && !failed(buildBook(&source, &output, conversion.info, 0, build)) &&
                built;
        double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        double convert = static_cast<double>(converted - start) / CLOCKS_PER_SEC;
        best = took < best ? took : best;
        bestConvert = convert < bestConvert ? convert : bestConvert;
    }
    setErrorHandler(error);
    setWarningHandler(warning);
    setNoteHandler(note);
    std::printf(
        "convert + build .epub  %8.1f MB/s  (%.3f s of processor time, %.1f MB XHTML in %.1f MB EPUB, "
        "conversion %.3f s)   target < 1 s%s\n",
        megabytesPerSecond(textBytes, best), best, textBytes / 1e6, epub.size() / 1e6, bestConvert,
        built ? "" : "  BUILD FAILED");
    std::remove(outputPath.c_str());
    std::remove(sourcePath.c_str());
    rmdir(folder);
}

} // namespace quillery::bench
