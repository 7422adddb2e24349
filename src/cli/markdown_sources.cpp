#include "cli/markdown_sources.h"

#include "build/book_paths.h"
#include "cli/diagnostic_printer.h"
#include "framework/diagnostics.h"

#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace quillery::cli {
namespace {

// Writes `text` to a new file at `path` (replacing one only with `replace`); a failure is reported and leaves
// no partial file behind.
bool writeMarkupFile(const std::string& path, const std::string& text, bool replace) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        reportError("The file \"%s\" could not be opened for writing.", path.c_str());
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote <= 0) {
            break;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::close(fd) != 0 || done != text.size()) {
        reportError("An error occurred writing the file %s.", path.c_str());
        (void)::unlink(path.c_str());
        return false;
    }
    return true;
}

// What --emit-tml writes for a source: its markup text and its images.
struct Emitted {
    std::string markup;
    bool failed = true; // a conversion error was reported
    bool hasImages = false;
    std::function<Verdict(const std::string& folder, bool replace)> writeImages;
};

std::optional<Emitted> convertForEmit(const FileService& source, const CliOptions& options) {
    Emitted emitted;
    if (markdown::isMarkdownPath(source.path())) {
        std::optional<markdown::Conversion> conversion =
            markdown::convertMarkdownFile(source, headerOverrides(options), pictureColors(options));
        if (!conversion) {
            return std::nullopt;
        }
        emitted.markup = std::move(conversion->markup);
        emitted.failed = conversion->errors > 0;
        emitted.hasImages = !conversion->images.empty();
        emitted.writeImages = [images = std::move(conversion->images)](const std::string& folder,
                                                                       bool replace) {
            return markdown::copyImages(images, folder, replace);
        };
        return emitted;
    }
    std::optional<epub::EpubConversion> conversion =
        epub::convertEpubFile(source, headerOverrides(options), pictureColors(options));
    if (!conversion) {
        return std::nullopt;
    }
    emitted.markup = std::move(conversion->markup);
    emitted.failed = conversion->errors > 0;
    emitted.hasImages = !conversion->images.empty();
    emitted.writeImages = [images = std::move(conversion->images)](const std::string& folder, bool replace) {
        return epub::writeImages(images, folder, replace);
    };
    return emitted;
}

bool emitOne(const std::string& sourcePath, const CliOptions& options) {
    FileService source(sourcePath);
    if (!markdown::isMarkdownPath(source.path()) && !epub::isEpubPath(source.path())) {
        reportError("--emit-tml converts Markdown (.md) and EPUB (.epub) sources; this source is neither.");
        return false;
    }
    std::optional<Emitted> conversion = convertForEmit(source, options);
    if (!conversion) {
        reportError("The input file \"%s\" could not be opened.", source.fileName().c_str());
        return false;
    }
    if (conversion->failed) {
        return false;
    }
    FileService target(options.output ? *options.output : markdown::markupPathFor(source.fullPath()));
    std::string imageFolder = imageFolderPath(target.fullPath());
    if (target.isSameFile(source)) {
        reportError("The input and output files are the same! (%s)", source.fileName().c_str());
        return false;
    }
    bool ok = true;
    for (const std::string& path : {target.fullPath(), imageFolder}) {
        bool used = path == target.fullPath() || conversion->hasImages;
        if (used && !options.force && FileService(path).exists()) {
            reportError("\"%s\" already exists; pass --force to replace it.", path.c_str());
            ok = false;
        }
    }
    if (!ok) {
        return false;
    }
    return writeMarkupFile(target.fullPath(), conversion->markup, options.force) &&
           !failed(conversion->writeImages(imageFolder, options.force));
}

} // namespace

markdown::HeaderFields headerOverrides(const CliOptions& options) {
    markdown::HeaderFields fields;
    fields.title = options.title;
    fields.author = options.author;
    fields.publisher = options.publisher;
    fields.isbn = options.isbn;
    fields.copyright = options.copyright;
    return fields;
}

pictures::PictureColors pictureColors(const CliOptions& options) {
    return options.colorImages ? pictures::PictureColors::Palette : pictures::PictureColors::Grey;
}

int runEmitMarkup(const CliOptions& options, DiagnosticPrinter& printer) {
    int status = 0;
    for (const std::string& source : options.sources) {
        printer.setFile(source);
        if (!emitOne(source, options)) {
            status = 1;
        }
    }
    return status;
}

} // namespace quillery::cli
