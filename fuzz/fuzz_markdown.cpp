// Fuzz target: arbitrary bytes taken as a Markdown file, converted, and the markup built into a whole book
// with the build's own files in memory. Whatever the bytes, the conversion gives markup that builds without a
// single error (images the Markdown names that exist are imported; the others are the conversion's own
// errors), and nothing is left behind.
#include "build/build_book.h"
#include "framework/diagnostics.h"
#include "markdown/markdown_converter.h"
#include "memory_file_system.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace quillery;

// Counts the errors of what it is given, and shows nothing.
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

// A folder for the whole run: the Markdown file's folder, with one picture beside it, and the image folder
// of the build holding that picture under the name the conversion gives it.
struct Scratch {
    std::string folder;
    Scratch() {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/quillery-fuzz-markdown-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder = pattern;
        std::string picture = std::string(QUILLERY_SOURCE_DIR) + "/fuzz/seeds/images/grey8.png";
        std::filesystem::create_directory(folder + "/img");
        std::filesystem::copy_file(picture, folder + "/pic.png");
        std::filesystem::copy_file(picture, folder + "/img/pic.png");
        std::ofstream(folder + "/a.md").put('\n');
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
        std::fprintf(stderr, "fuzz_markdown: %s\n--- markup ---\n%s\n", what, markup.c_str());
        std::abort();
    }
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
    Scratch& folder = scratch();

    markdown::ConversionSettings settings;
    settings.markdownFolder = folder.folder;
    markdown::Conversion conversion =
        markdown::convertMarkdown(std::string_view(reinterpret_cast<const char*>(data), size), settings);
    for (const markdown::ImportedImage& image : conversion.images) {
        check(image.name == "pic.png", "an image name the run does not know", conversion.markup);
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
    FileService source(folder.folder + "/a.md");
    FileService output(folder.folder + "/a.tdb");
    bool built = !failed(buildBook(&source, &output, info, 0, build));
    if (!built || errors.errors != 0) {
        std::fprintf(stderr, "fuzz_markdown: the build reported: %s\n", errors.last.c_str());
    }
    check(built && errors.errors == 0, "the converted markup does not build cleanly", conversion.markup);
    check(files.files.size() == 1 && files.files.count(output.fullPath()) == 1, "files left behind",
          conversion.markup);
    return 0;
}
