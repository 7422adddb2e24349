// One build of a Markdown source: its markup text, its images in a private folder of the build, and the
// build's reports turned to places of the Markdown file. Both front ends build Markdown through this.
#pragma once

#include "build/build_book.h"
#include "build/scratch_folder.h"
#include "markdown/markdown_converter.h"

#include <optional>
#include <string>

namespace quillery::markdown {

// Reads the Markdown file `source` and converts it (images are looked up beside it, and those that are
// fitted become `colors`). Nothing when the file cannot be read: the build then reports it as it reports any
// source it cannot open.
std::optional<Conversion> convertMarkdownFile(const FileService& source, const HeaderFields& overrides,
                                              pictures::PictureColors colors = pictures::PictureColors::Grey);

class MarkdownBook {
  public:
    // `conversion` of the file, or nothing when it could not be read.
    explicit MarkdownBook(std::optional<Conversion> conversion) : conversion_(std::move(conversion)) {}
    MarkdownBook(const MarkdownBook&) = delete;
    MarkdownBook& operator=(const MarkdownBook&) = delete;

    // The book information of the conversion (empty when the file could not be read).
    BookInfo info() const { return conversion_ ? conversion_->info : BookInfo{}; }
    // Whether the conversion reported an error (the book is then not built).
    bool failedToConvert() const { return conversion_ && conversion_->errors > 0; }

    // buildBook for the converted text, with `settings` as given otherwise. Fails without building when the
    // conversion reported an error or the images cannot be put in place.
    Verdict build(const FileService& source, const FileService* output, const BookInfo& info, uint32_t flags,
                  BuildSettings settings);

  private:
    bool placeImages();

    std::optional<Conversion> conversion_;
    ScratchFolder scratch_;
};

} // namespace quillery::markdown
