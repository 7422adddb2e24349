#include "markdown/markdown_book.h"

#include "build/source_text.h"
#include "framework/diagnostics.h"

#include <filesystem>

namespace quillery::markdown {
namespace {

// Hands every report on to the sink that was current when it was made, with its place in the markup text
// turned into the Markdown place it came from.
class MarkdownPlaces : public DiagnosticSink {
  public:
    explicit MarkdownPlaces(const PositionMap& places) : places_(places), next_(currentSink()) {}
    int report(const Report& given) override {
        Report report = given;
        if (report.place) {
            report.place = places_.translate(*report.place);
        }
        return next_.report(report);
    }

  private:
    const PositionMap& places_;
    DiagnosticSink& next_;
};

} // namespace

std::optional<Conversion> convertMarkdownFile(const FileService& source, const HeaderFields& overrides,
                                              pictures::PictureColors colors) {
    SourceText text;
    if (readSource(source.fullPath(), text) != ReadSourceResult::Ok) {
        return std::nullopt;
    }
    ConversionSettings settings;
    settings.markdownFolder = source.parentFolder();
    settings.overrides = overrides;
    settings.colors = colors;
    return convertMarkdown(text.view(), settings);
}

bool MarkdownBook::placeImages() {
    if (conversion_->images.empty()) {
        return true;
    }
    if (!scratch_.make("markdown")) {
        reportError("Could not create a scratch folder for the images of the book.");
        return false;
    }
    return !failed(copyImages(conversion_->images, scratch_.path() + "/images", false));
}

Verdict MarkdownBook::build(const FileService& source, const FileService* output, const BookInfo& info,
                            uint32_t flags, BuildSettings settings) {
    if (!conversion_) {
        settings.sourceText = std::string_view(); // never read the Markdown file as markup
        return buildBook(&source, output, info, flags, settings);
    }
    ReportSinkScope sink(settings.diagnostics);
    if (conversion_->errors > 0 || !placeImages()) {
        return Verdict::Failed;
    }
    MarkdownPlaces places(conversion_->places);
    settings.diagnostics = &places;
    settings.sourceText = conversion_->markup;
    // No image folder when there is no image: nothing can be taken from beside the source.
    settings.imageFolder = scratch_.empty() ? std::string() : scratch_.path() + "/images";
    return buildBook(&source, output, info, flags, settings);
}

} // namespace quillery::markdown
