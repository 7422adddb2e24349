// Fuzz target: arbitrary bytes taken as an EPUB file (first byte even), or as a content document put inside a
// well-formed EPUB (first byte odd), converted, and the markup built into a whole book with the build's own
// files in memory. Whatever the bytes, a conversion either refuses the EPUB with an error or gives markup
// that builds without a single error, and nothing is left behind.
#include "build/build_book.h"
#include "epub/epub_converter.h"
#include "framework/diagnostics.h"
#include "memory_file_system.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <zip.h>

namespace {

using namespace quillery;

class ErrorCounter : public DiagnosticSink {
  public:
    int report(const Report& report) override {
        if (report.level == ReportLevel::Error) {
            ++errors;
            last = report.text;
        }
        return 0;
    }
    int errors = 0;
    std::string last;
};

int quiet(const Report&) {
    return 0;
}

struct Scratch {
    std::string folder;
    std::string picture;
    Scratch() {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/quillery-fuzz-epub-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder = pattern;
        std::filesystem::create_directory(folder + "/img");
        std::ofstream(folder + "/a.epub").put('\n');
        std::ifstream in(std::string(QUILLERY_SOURCE_DIR) + "/fuzz/seeds/images/grey8.png", std::ios::binary);
        picture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

Scratch& scratch() {
    static Scratch instance;
    return instance;
}

void check(bool condition, const char* what, const std::string& markup) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_epub: %s\n--- markup ---\n%s\n", what, markup.c_str());
        std::abort();
    }
}

// A well-formed EPUB around the content document `document`, with a picture beside it.
std::string bookAround(std::string_view document, const std::string& picture) {
    static const std::string container =
        "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>";
    static const std::string package =
        "<package xmlns=\"http://www.idpf.org/2007/opf\"><metadata "
        "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:title>Fuzz</dc:title></metadata><manifest><item id=\"a\" href=\"a.xhtml\" "
        "media-type=\"application/xhtml+xml\"/><item id=\"p\" href=\"p.png\" "
        "media-type=\"image/png\"/></manifest>"
        "<spine><itemref idref=\"a\"/><itemref idref=\"a\"/></spine></package>";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(source);
    zip_t* archive = zip_open_from_source(source, ZIP_TRUNCATE, &error);
    auto add = [archive](const char* name, std::string_view bytes) {
        zip_file_add(archive, name, zip_source_buffer(archive, bytes.data(), bytes.size(), 0), 0);
    };
    add("META-INF/container.xml", container);
    add("OEBPS/content.opf", package);
    add("OEBPS/a.xhtml", document);
    add("OEBPS/p.png", picture);
    zip_close(archive);
    std::string bytes;
    if (zip_source_open(source) == 0) {
        char chunk[4096];
        for (zip_int64_t got; (got = zip_source_read(source, chunk, sizeof chunk)) > 0;) {
            bytes.append(chunk, static_cast<size_t>(got));
        }
        zip_source_close(source);
    }
    zip_source_free(source);
    zip_error_fini(&error);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool installed = [] {
        setErrorHandler(quiet);
        setWarningHandler(quiet);
        setNoteHandler(quiet);
        ::setenv("SOURCE_DATE_EPOCH", "1780000000", 1);
        return true;
    }();
    (void)installed;
    if (size == 0) {
        return 0;
    }
    Scratch& folder = scratch();
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string bytes = (data[0] & 1) != 0 ? bookAround(input, folder.picture) : std::string(input);

    ErrorCounter conversionErrors;
    epub::EpubConversion conversion;
    {
        ReportSinkScope scope(&conversionErrors);
        conversion = epub::convertEpub(bytes, epub::EpubSettings{});
    }
    check((conversion.errors > 0) == (conversionErrors.errors > 0), "errors not counted", conversion.markup);
    if (conversion.errors > 0) {
        return 0; // refused: no book is built
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder.folder + "/img", ignored);
    std::filesystem::create_directory(folder.folder + "/img");
    for (const epub::BookImage& image : conversion.images) {
        std::ofstream(folder.folder + "/img/" + image.name, std::ios::binary) << image.png;
    }

    MemoryFileSystem files;
    ErrorCounter errors;
    BuildSettings build;
    build.files = &files;
    build.diagnostics = &errors;
    build.sourceText = conversion.markup;
    build.imageFolder = folder.folder + "/img";
    BookInfo info = conversion.info;
    if (info.title.empty()) {
        info.title = u"Fuzz";
    }
    FileService source(folder.folder + "/a.epub");
    FileService output(folder.folder + "/a.tdb");
    bool built = !failed(buildBook(&source, &output, info, 0, build));
    if (!built || errors.errors != 0) {
        std::fprintf(stderr, "fuzz_epub: the build reported: %s\n", errors.last.c_str());
    }
    check(built && errors.errors == 0, "the converted markup does not build cleanly", conversion.markup);
    check(files.files.size() == 1 && files.files.count(output.fullPath()) == 1, "files left behind",
          conversion.markup);
    return 0;
}
