#include "cli/build_command.h"

#include "build/book_paths.h"
#include "build/build_book.h"
#include "build/diagnostics.h"
#include "build/header_fields.h"
#include "cli/diagnostic_printer.h"
#include "markup/paginate_book.h"

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

} // namespace

int runBuilds(const CliOptions& options, DiagnosticPrinter& printer) {
    int status = 0;
    for (const std::string& source : options.sources) {
        printer.setFile(source);
        BookInfo info = bookInfoFor(source, options);
        if (info.title.empty()) {
            reportError("The book has no title: add TITLE=\"...\" to the source or pass --title.");
            status = 1;
            continue;
        }
        FileService sourceFile(source);
        std::string outputPath;
        if (!options.check) {
            outputPath = options.output ? *options.output : outputPathFor(source, options.keepExisting);
        }
        FileService outputFile(outputPath);
        uint32_t flags = options.dictionary ? kFlagDictionary : 0;
        BuildSettings settings;
        settings.checkOnly = options.check;
        settings.replaceOutput = !options.keepExisting; // a numbered name never replaces a file
        if (failed(buildBook(&sourceFile, &outputFile, info, flags, settings))) {
            status = 1;
            continue;
        }
        // A book written despite an error (a sidebar or footnote without its end tag) or with warnings.
        if (options.werror && (printer.errors() > 0 || printer.warnings() > 0)) {
            if (!options.check) {
                (void)outputFile.remove();
            }
            status = 1;
        }
    }
    return status;
}

} // namespace quillery::cli
