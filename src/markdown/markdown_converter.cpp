#include "markdown/markdown_converter.h"

#include "convert/header_block.h"
#include "convert/markup_writer.h"
#include "convert/notices.h"
#include "convert/utf8_input.h"
#include "markdown/parsed_document.h"
#include "markdown/tree_walk.h"

namespace quillery::markdown {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The input made fit for the parser, with its front matter taken out.
std::string preparedText(std::string_view markdown, HeaderFields& front, Notices& notices) {
    std::string text(markdown);
    Utf8Repair repair = repairUtf8(text);
    if (repair.invalidBytes > 0) {
        notices.add(Notice::InvalidUtf8, placeOfPosition(text, repair.firstInvalid), repair.invalidBytes);
    }
    if (!takeFrontMatter(text, front) && text.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0) {
        text.replace(0, kByteOrderMark.size(), kByteOrderMark.size(), ' ');
    }
    return text;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    for (size_t k = 0; k < suffix.size(); ++k) {
        if (lowerAscii(text[text.size() - suffix.size() + k]) != suffix[k]) {
            return false;
        }
    }
    return true;
}

} // namespace

Conversion convertMarkdown(std::string_view markdown, const ConversionSettings& settings) {
    Conversion result;
    Notices notices;
    HeaderFields front;
    std::string text = preparedText(markdown, front, notices);
    result.fields = overridden(front, settings.overrides);
    result.info = bookInfoOf(result.fields);
    result.places.mark(0, {1, 1});
    result.markup = headerBlock(result.fields);

    ParsedDocument parsed(text);
    cmark_node* document = parsed.root();
    ImageImporter images(settings.markdownFolder, settings.colors);
    if (document != nullptr) {
        result.markup.reserve(result.markup.size() + text.size() + text.size() / 8);
        // Text dense with inline Markdown makes about one mark in 14 bytes; room not used is never touched.
        result.places.reserve(text.size() / 12);
        SlugSet anchors;
        std::vector<std::string> headingAnchors = claimHeadingAnchors(document, anchors);
        MarkupWriter writer(result.markup, result.places, notices);
        TreeWalk walk(writer, images, std::move(headingAnchors), anchors);
        walk.run(document);
        writer.dropSeparation();
        if (result.markup.back() != '\n') {
            writer.lineEnd();
        }
    }
    notices.report();
    result.places.index(result.markup);
    result.images = images.images();
    result.errors = images.errors();
    return result;
}

bool isMarkdownPath(std::string_view path) {
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return (name.size() > 3 && endsWithIgnoringCase(name, ".md")) ||
           (name.size() > 9 && endsWithIgnoringCase(name, ".markdown"));
}

std::string markupPathFor(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path + ".tml";
    }
    return path.substr(0, dot) + ".tml";
}

} // namespace quillery::markdown
