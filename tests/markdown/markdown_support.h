// Helpers of the Markdown tests: a conversion without its header block, and a build of converted text.
#pragma once

#include "build/build_book.h"
#include "markdown/markdown_converter.h"
#include "png_fixture.h"
#include "test_support.h"

#include <string>

namespace quillery::test {

// The markup of `markdown` after its header block (the conversion's reports are not shown).
inline std::string bodyOf(const std::string& markdown, const std::string& folder = "") {
    markdown::ConversionSettings settings;
    settings.markdownFolder = folder;
    ReportCollector quiet;
    std::string markup = markdown::convertMarkdown(markdown, settings).markup;
    size_t end = markup.find("\n\n\\v");
    return end == std::string::npos ? markup : markup.substr(end + 4);
}

// A grey PNG of the given size at `path`.
inline void writeGreyPng(const std::string& path, uint32_t width = 8, uint32_t height = 8) {
    PngImage picture;
    picture.width = width;
    picture.height = height;
    picture.rows = noiseRows(picture);
    writeFile(path, encodePng(picture));
}

// Builds the markup text `markup` as the book of a source in `dir`; true when the book was written.
inline bool buildsCleanly(const ScratchDir& dir, const std::string& markup, CollectingSink& reports,
                          const std::string& imageFolder = "") {
    writeFile(dir.file("story.md"), "");
    FileService source(dir.file("story.md"));
    FileService output(dir.file("story.tdb"));
    BookInfo info;
    info.title = u"Test";
    BuildSettings settings;
    settings.sourceText = markup;
    settings.diagnostics = &reports;
    if (!imageFolder.empty()) {
        settings.imageFolder = imageFolder;
    }
    return !failed(buildBook(&source, &output, info, 0, settings)) && !reports.hasErrors();
}

} // namespace quillery::test
