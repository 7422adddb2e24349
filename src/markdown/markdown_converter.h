// Markdown to markup: a .md file turned into the markup text of a book, with its images, its header fields
// and the way back from every position of that text to the place of the Markdown file it came from.
//
// The text always builds without errors: nothing in it forms a tag or a sidebar or footnote opening by
// accident, and only images the build takes are named. What the device cannot show is reported once per
// kind; problems with images are errors reported at their Markdown line (the image is then left out).
// Pictures the build would not take as they are (JPEG, GIF, full-colour or large PNG) are fitted to the page.
#pragma once

#include "convert/front_matter.h"
#include "convert/position_map.h"
#include "framework/book_info.h"
#include "markdown/image_import.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillery::markdown {

struct ConversionSettings {
    std::string markdownFolder; // images are looked up here and below; empty: no image is found
    HeaderFields overrides;     // fields given by the caller, in place of the front matter's
    pictures::PictureColors colors = pictures::PictureColors::Grey; // what fitted pictures become
};

struct Conversion {
    std::string markup;                // the markup text, header fields first
    PositionMap places;                // its positions back to Markdown places
    std::vector<ImportedImage> images; // what goes into the image folder
    HeaderFields fields;               // front matter with the overrides
    BookInfo info;                     // the book information the markup's header fields give
    int errors = 0;                    // errors reported (images that were left out)
};

Conversion convertMarkdown(std::string_view markdown, const ConversionSettings& settings);

// Whether `path` names a Markdown source (".md" or ".markdown", case ignored).
bool isMarkdownPath(std::string_view path);

// The markup source written for the Markdown file at `path`: the name with its last extension made ".tml".
std::string markupPathFor(const std::string& path);

} // namespace quillery::markdown
