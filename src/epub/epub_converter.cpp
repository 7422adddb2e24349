#include "epub/epub_converter.h"

#include "convert/header_block.h"
#include "convert/markup_writer.h"
#include "convert/notices.h"
#include "epub/book_map.h"
#include "epub/content_walk.h"
#include "epub/navigation.h"
#include "epub/package_document.h"
#include "framework/diagnostics.h"
#include "framework/windows1252.h"

namespace quillery::epub {
namespace {

constexpr const char* kEncrypted = "This EPUB is encrypted (DRM) and cannot be converted.";

// Places inside an EPUB's documents have lines but no columns: libxml2 does not give them.
class LinesOnly : public DiagnosticSink {
  public:
    LinesOnly() : next_(currentSink()), scope_(this) {}
    int report(const Report& given) override {
        if (given.part.empty() || !given.place) {
            return next_.report(given);
        }
        Report report = given;
        report.place->column = 0;
        return next_.report(report);
    }

  private:
    DiagnosticSink& next_;
    ReportSinkScope scope_;
};

// Takes every report and drops it (the trial walk's).
class Discard : public DiagnosticSink {
  public:
    int report(const Report&) override { return 0; }
};

std::string messageText(std::string_view utf8) {
    std::string text(utf8.substr(0, 200));
    return encodeWindows1252(utf8ToUtf16(text));
}

bool isContentType(const std::string& mediaType, const std::string& path) {
    if (mediaType == "application/xhtml+xml" || mediaType == "text/html" || mediaType == "application/xml") {
        return true;
    }
    if (!mediaType.empty()) {
        return false;
    }
    size_t dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? std::string() : path.substr(dot);
    return extension == ".xhtml" || extension == ".html" || extension == ".htm";
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads the documents of the spine into `map`; false (after reporting) when the book must be refused.
bool readParts(EpubArchive& archive, const Package& package, BookMap& map) {
    std::map<std::string, std::string> typeOf;
    for (const auto& [id, item] : package.items) {
        typeOf.emplace(item.path, item.mediaType);
    }
    size_t skipped = 0;
    std::string firstSkipped;
    for (const std::string& path : package.spine) {
        if (!isContentType(typeOf[path], path)) {
            if (skipped++ == 0) {
                firstSkipped = path;
            }
            continue;
        }
        std::string bytes;
        switch (archive.read(path, bytes)) {
        case EntryRead::Ok:
            break;
        case EntryRead::TooLarge:
            reportError("The EPUB entry \"%s\" inflates to more than %zu MB; the EPUB was not converted.",
                        messageText(path).c_str(), archive.limits().entryBytes >> 20);
            return false;
        case EntryRead::Missing:
        case EntryRead::Broken:
            reportWarning("The document \"%s\" of the reading order is missing from the EPUB or cannot be "
                          "read; it was left out.",
                          messageText(path).c_str());
            continue;
        }
        ContentPart part;
        part.path = path;
        part.document = parseContent(bytes);
        if (rootOf(part.document) == nullptr) {
            reportWarning("The document \"%s\" of the EPUB holds no text that can be read; it was left out.",
                          messageText(path).c_str());
            continue;
        }
        map.parts.push_back(std::move(part));
    }
    if (skipped > 0) {
        reportWarning("The reading order names %zu documents that are not XHTML (such as \"%s\"); they were "
                      "left out.",
                      skipped, messageText(firstSkipped).c_str());
    }
    return true;
}

} // namespace

bool isEpubPath(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() <= 5) {
        return false;
    }
    std::string_view extension = name.substr(name.size() - 5);
    std::string lowered;
    for (char c : extension) {
        lowered += lowerAscii(c);
    }
    return lowered == ".epub";
}

EpubConversion convertEpub(std::string_view bytes, const EpubSettings& settings) {
    EpubConversion result;
    auto fail = [&result](const std::string& message) {
        reportError("%s", message.c_str());
        result.errors = 1;
        return std::move(result);
    };
    EpubArchive archive(settings.limits);
    if (!archive.open(bytes)) {
        return fail("The file is not an EPUB: it is no ZIP archive, or a damaged one.");
    }
    if (isEncrypted(archive)) {
        return fail(kEncrypted);
    }
    Package package;
    std::string error;
    if (!readPackage(archive, package, error)) {
        return fail(error);
    }
    if (!archive.unsafeNames().empty()) {
        reportWarning("The EPUB holds %zu entries whose names could reach outside a folder (such as \"%s\"); "
                      "they were ignored.",
                      archive.unsafeNames().size(), messageText(archive.unsafeNames().front()).c_str());
    }
    BookMap map;
    if (!readParts(archive, package, map)) {
        result.errors = 1;
        return result;
    }
    mapBook(map, readNavigation(archive, package));
    for (const ContentPart& part : map.parts) {
        result.parts.push_back(part.path);
    }

    result.fields = convert::overridden(package.fields, settings.overrides);
    result.info = convert::bookInfoOf(result.fields);
    result.places.mark(0, {1, 1});
    result.markup = convert::headerBlock(result.fields);

    // A trial walk learns where anchors land, so that every link reference written names one.
    std::unordered_set<const XmlNode*> placed;
    {
        Discard discard;
        ReportSinkScope quiet(&discard);
        std::string markup = result.markup;
        convert::PositionMap places;
        convert::Notices notices;
        convert::MarkupWriter writer(markup, places, notices);
        ContentWalk trial(writer, map, nullptr, nullptr);
        trial.run(result.parts);
        placed = trial.placed();
    }

    LinesOnly lines;
    convert::Notices notices;
    BookImages images(archive, settings.colors);
    convert::MarkupWriter writer(result.markup, result.places, notices);
    ContentWalk walk(writer, map, &images, &placed);
    walk.run(result.parts);
    writer.dropSeparation();
    if (result.markup.back() != '\n') {
        writer.lineEnd();
    }
    notices.report(&result.parts);
    if (images.refused()) {
        reportError("An image of the EPUB inflates to more than %zu MB; the EPUB was not converted.",
                    settings.limits.entryBytes >> 20);
        result.errors = 1;
    }
    result.places.index(result.markup);
    result.images = images.images();
    return result;
}

} // namespace quillery::epub
