// Images of a Markdown file: found relative to the file, kept inside its folder, checked as the build checks
// them, and given short unique names in the book's image folder.
#pragma once

#include "framework/diagnostics.h"
#include "framework/verdict.h"
#include "markdown/convert_names.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery::markdown {

struct ImportedImage {
    std::string sourcePath; // the file the Markdown names
    std::string name;       // its name in the image folder: at most 31 bytes, ".png", unique ignoring case
};

class ImageImporter {
  public:
    // `markdownFolder`: the folder of the Markdown file; empty: no image can be found.
    explicit ImageImporter(std::string markdownFolder) : folder_(std::move(markdownFolder)) {}

    // The image folder name for the image that `url` names at `place`. An image that is not found, lies
    // outside the Markdown file's folder, or is not a PNG image the build takes is reported at `place` as
    // an error, and gives nothing. The same file named twice gets one name.
    std::optional<std::string> import(std::string_view url, SourcePlace place);

    const std::vector<ImportedImage>& images() const { return images_; }
    int errors() const { return errors_; }

  private:
    std::optional<std::string> check(const std::string& relative, const std::string& path, SourcePlace place);
    std::string uniqueName(std::string_view relative);

    std::string folder_;
    std::vector<ImportedImage> images_;
    std::map<std::string, std::string> byPath_; // relative path -> name
    std::map<std::string, bool> lowerNames_;
    int errors_ = 0;
};

// Copies `images` into `folder`, which is made when missing. A file already there is replaced only with
// `replace`. Reports a failure with the path that failed.
Verdict copyImages(const std::vector<ImportedImage>& images, const std::string& folder, bool replace);

} // namespace quillery::markdown
