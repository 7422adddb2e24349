#include "epub/epub_book.h"

#include "framework/diagnostics.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace quillery::epub {
namespace {

constexpr std::uintmax_t kMaxEpubBytes = std::uintmax_t{1} << 30;

// Hands every report on to the sink that was current when it was made, with its place in the markup text
// turned into the document of the EPUB and the line it came from.
class EpubPlaces : public DiagnosticSink {
  public:
    explicit EpubPlaces(const EpubConversion& conversion) : conversion_(conversion), next_(currentSink()) {}
    int report(const Report& given) override {
        if (!given.place || !given.part.empty()) {
            return next_.report(given);
        }
        Report report = given;
        uint32_t part = conversion_.places.partOf(*given.place);
        report.place = conversion_.places.translate(*given.place);
        report.place->column = 0;
        if (part < conversion_.parts.size()) {
            report.part = conversion_.parts[part];
        }
        return next_.report(report);
    }

  private:
    const EpubConversion& conversion_;
    DiagnosticSink& next_;
};

} // namespace

std::optional<EpubConversion> convertEpubFile(const FileService& source,
                                              const convert::HeaderFields& overrides, ImageColors colors) {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(source.fullPath(), error);
    if (error || !source.isRegularFile()) {
        return std::nullopt;
    }
    EpubSettings settings;
    settings.overrides = overrides;
    settings.colors = colors;
    if (size > kMaxEpubBytes) {
        reportError("The EPUB is larger than 1 GB; it was not converted.");
        EpubConversion refused;
        refused.errors = 1;
        return refused;
    }
    std::ifstream in(source.fullPath(), std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return convertEpub(bytes, settings);
}

bool EpubBook::placeImages() {
    if (conversion_->images.empty()) {
        return true;
    }
    if (!scratch_.make("epub")) {
        reportError("Could not create a scratch folder for the images of the book.");
        return false;
    }
    return !failed(writeImages(conversion_->images, scratch_.path() + "/images", false));
}

Verdict EpubBook::build(const FileService& source, const FileService* output, const BookInfo& info,
                        uint32_t flags, BuildSettings settings) {
    if (!conversion_) {
        settings.sourceText = std::string_view(); // never read the EPUB file as markup
        return buildBook(&source, output, info, flags, settings);
    }
    ReportSinkScope sink(settings.diagnostics);
    if (conversion_->errors > 0 || !placeImages()) {
        return Verdict::Failed;
    }
    EpubPlaces places(*conversion_);
    settings.diagnostics = &places;
    settings.sourceText = conversion_->markup;
    settings.imageFolder = scratch_.empty() ? std::string() : scratch_.path() + "/images";
    return buildBook(&source, output, info, flags, settings);
}

} // namespace quillery::epub
