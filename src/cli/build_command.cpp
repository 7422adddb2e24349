#include "cli/build_command.h"

#include "build/book_paths.h"
#include "build/build_book.h"
#include "build/header_fields.h"
#include "cli/diagnostic_printer.h"
#include "cli/markdown_sources.h"
#include "cli/page_preview.h"
#include "framework/diagnostics.h"
#include "markup/paginate_book.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace quillery::cli {
namespace {

void override(WideString& field, const std::optional<std::string>& value) {
    if (value) {
        field = WideString::fromUtf8(*value);
    }
}

BookInfo bookInfoFor(const std::string& source, const CliOptions& options) {
    BookInfo info;
    readHeaderFields(source, info);
    override(info.title, options.title);
    override(info.author, options.author);
    override(info.publisher, options.publisher);
    override(info.isbn, options.isbn);
    override(info.copyright, options.copyright);
    return info;
}

bool sourceOpens(const FileService& source) {
    FileService probe(source.path());
    return probe.open(FileService::Mode::Read) == 0 && probe.close() == 0;
}

// The source whose book, written earlier in this run, is `output` (the same full path, or the same file on
// disk), or null.
const FileService* earlierSourceOf(const FileService& output,
                                   const std::vector<std::pair<FileService, FileService>>& written) {
    for (const auto& [book, source] : written) {
        if (book.isSameFile(output)) {
            return &source;
        }
    }
    return nullptr;
}

// The pages of a source's text on standard output, page by page as they are laid out.
void showSourcePages(const CliOptions& options, ReaderViewInput input) {
    bool dictionary = input.dictionary;
    std::string_view mainText = input.text;
    ReaderView view(std::move(input), previewFontOf(options));
    auto write = [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); };
    if (options.json) {
        writePagesJson(view, mainText, write);
    } else {
        writePagesText(view, dictionary, write);
    }
}

} // namespace

int runBuilds(const CliOptions& options, DiagnosticPrinter& printer) {
    int status = 0;
    // The books written by this run, each with the source it came from.
    std::vector<std::pair<FileService, FileService>> written;
    for (const std::string& source : options.sources) {
        printer.setFile(source);
        FileService sourceFile(source);
        // A Markdown source is built from the markup text it converts to.
        std::optional<markdown::MarkdownBook> markdown;
        if (markdown::isMarkdownPath(sourceFile.path())) {
            markdown.emplace(markdown::convertMarkdownFile(sourceFile, headerOverrides(options)));
            if (markdown->failedToConvert()) {
                status = 1;
                continue;
            }
        }
        BookInfo info = markdown ? markdown->info() : bookInfoFor(sourceFile.path(), options);
        // A source that cannot be opened is reported by the build itself, whatever the title.
        if (info.title.empty() && sourceOpens(sourceFile)) {
            reportError(markdown
                            ? "The book has no title: add \"title:\" to the front matter or pass --title."
                            : "The book has no title: add TITLE=\"...\" to the source or pass --title.");
            status = 1;
            continue;
        }
        std::string outputPath;
        if (!options.check) {
            outputPath =
                options.output ? *options.output : outputPathFor(sourceFile.path(), options.keepExisting);
        }
        FileService outputFile(outputPath);
        if (const FileService* earlier = earlierSourceOf(outputFile, written)) {
            reportError("The book \"%s\" was already written from \"%s\" in this run; this source was not "
                        "built.",
                        outputFile.path().c_str(), earlier->path().c_str());
            status = 1;
            continue;
        }
        uint32_t flags = options.dictionary ? kFlagDictionary : 0;
        BuildSettings settings;
        settings.checkOnly = options.check;
        settings.replaceOutput = !options.keepExisting; // a numbered name never replaces a file
        if (options.pages) {
            settings.markupScanned = [&options](std::string_view mainText, const RecordBuffer& recordStarts,
                                                const std::string& imageFolder, uint32_t scannedFlags) {
                showSourcePages(options,
                                readerViewInputOf(mainText, recordStarts, imageFolder, scannedFlags));
            };
        }
        Verdict built = markdown ? markdown->build(sourceFile, &outputFile, info, flags, settings)
                                 : buildBook(&sourceFile, &outputFile, info, flags, settings);
        if (failed(built)) {
            status = 1;
            continue;
        }
        // A book written despite an error (a sidebar or footnote without its end tag) or with warnings.
        if (options.werror && (printer.errors() > 0 || printer.warnings() > 0)) {
            if (!options.check) {
                (void)outputFile.remove();
            }
            status = 1;
            continue;
        }
        if (!options.check) {
            written.emplace_back(outputFile, sourceFile);
        }
    }
    return status;
}

} // namespace quillery::cli
