#include "markdown/markdown_book.h"

#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "framework/interrupt_cleanup.h"

#include <cstdlib>
#include <filesystem>
#include <stdlib.h>

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

MarkdownBook::~MarkdownBook() {
    if (!scratch_.empty()) {
        auto held = InterruptCleanup::hold();
        std::error_code ignored;
        std::filesystem::remove_all(scratch_, ignored);
        InterruptCleanup::dropFolder(scratch_);
    }
}

bool MarkdownBook::placeImages() {
    if (conversion_->images.empty()) {
        return true;
    }
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillery-markdown-XXXXXX";
    {
        auto held = InterruptCleanup::hold();
        if (::mkdtemp(pattern.data()) == nullptr) {
            reportError("Could not create a scratch folder for the images of the book.");
            return false;
        }
        scratch_ = pattern;
        InterruptCleanup::addFolder(scratch_);
    }
    return !failed(copyImages(conversion_->images, scratch_ + "/images", false));
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
    settings.imageFolder = scratch_.empty() ? std::string() : scratch_ + "/images";
    return buildBook(&source, output, info, flags, settings);
}

} // namespace quillery::markdown
