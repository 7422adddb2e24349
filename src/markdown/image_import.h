// Images of a Markdown file: found relative to the file, kept inside its folder, fitted to the page unless
// the build takes them as they are, and given short unique names in the book's image folder.
#pragma once

#include "convert/image_names.h"
#include "framework/diagnostics.h"
#include "framework/verdict.h"
#include "markdown/convert_names.h"
#include "pictures/picture_fitting.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery::markdown {

struct ImportedImage {
    std::string sourcePath; // the file the Markdown names
    std::string name;       // its name in the image folder: at most 31 bytes, ".png", unique ignoring case
    std::string fitted;     // the PNG that goes there in its place; empty: the file itself, unchanged
};

class ImageImporter {
  public:
    // `markdownFolder`: the folder of the Markdown file; empty: no image can be found. `colors`: what the
    // pictures that are fitted become.
    explicit ImageImporter(std::string markdownFolder,
                           pictures::PictureColors colors = pictures::PictureColors::Grey)
        : folder_(std::move(markdownFolder)), colors_(colors) {}

    // The image folder name for the image that `url` names at `place`. A PNG the build takes that fits the
    // page already is used as it is; any other JPEG, PNG or GIF picture is fitted to the page. An image
    // that is not found, lies outside the Markdown file's folder, or cannot be read as a picture is reported
    // at `place` as an error (with the reason), and gives nothing. The same file named twice gets one name.
    std::optional<std::string> import(std::string_view url, SourcePlace place);

    const std::vector<ImportedImage>& images() const { return images_; }
    int errors() const { return errors_; }

  private:
    std::optional<ImportedImage> check(const std::string& relative, const std::string& path,
                                       SourcePlace place);

    std::string folder_;
    pictures::PictureColors colors_;
    std::vector<ImportedImage> images_;
    std::map<std::string, std::string> byPath_; // relative path -> name
    convert::ImageNames names_;
    int errors_ = 0;
};

// Puts `images` into `folder`, which is made when missing: each fitted picture, or a copy of the file. A file
// already there is replaced only with `replace`. Reports a failure with the path that failed.
Verdict copyImages(const std::vector<ImportedImage>& images, const std::string& folder, bool replace);

} // namespace quillery::markdown
