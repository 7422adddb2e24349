// One build of an EPUB source: its markup text, its images in a private folder of the build, and the build's
// reports turned to places in the EPUB's documents. Both front ends build EPUB through this.
#pragma once

#include "build/build_book.h"
#include "build/scratch_folder.h"
#include "epub/epub_converter.h"

#include <optional>
#include <string>

namespace quillery::epub {

// Reads the EPUB file `source` and converts it. Nothing when the file cannot be read: the build then reports
// it as it reports any source it cannot open.
std::optional<EpubConversion> convertEpubFile(const FileService& source,
                                              const convert::HeaderFields& overrides,
                                              ImageColors colors = ImageColors::Grey);

class EpubBook {
  public:
    explicit EpubBook(std::optional<EpubConversion> conversion) : conversion_(std::move(conversion)) {}
    EpubBook(const EpubBook&) = delete;
    EpubBook& operator=(const EpubBook&) = delete;

    BookInfo info() const { return conversion_ ? conversion_->info : BookInfo{}; }
    bool failedToConvert() const { return conversion_ && conversion_->errors > 0; }

    // buildBook for the converted text, with `settings` as given otherwise. Fails without building when the
    // conversion reported an error or the images cannot be put in place.
    Verdict build(const FileService& source, const FileService* output, const BookInfo& info, uint32_t flags,
                  BuildSettings settings);

  private:
    bool placeImages();

    std::optional<EpubConversion> conversion_;
    ScratchFolder scratch_;
};

} // namespace quillery::epub
