// The images of an EPUB: read from the archive, made into pictures the device can show, and given short
// unique names in the book's image folder.
#pragma once

#include "convert/image_names.h"
#include "epub/epub_archive.h"
#include "framework/verdict.h"
#include "pictures/picture_fitting.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillery::epub {

using ImageColors = pictures::PictureColors;

struct BookImage {
    std::string name; // in the image folder: at most 31 bytes, ".png", unique ignoring case
    std::string png;  // the picture as the build takes it
};

class BookImages {
  public:
    BookImages(EpubArchive& archive, ImageColors colors) : archive_(archive), colors_(colors) {}

    // The image folder name for the archive entry `path`, or nothing when it cannot go into the book;
    // `problem` then says why (for a warning). The same entry asked for twice gets one name.
    std::optional<std::string> import(const std::string& path, std::string& problem);

    const std::vector<BookImage>& images() const { return images_; }
    // Whether an entry was too large to inflate (the whole book is then refused).
    bool refused() const { return refused_; }

  private:
    EpubArchive& archive_;
    ImageColors colors_;
    std::vector<BookImage> images_;
    std::map<std::string, std::optional<std::string>> byPath_;
    std::map<std::string, std::string> problems_;
    convert::ImageNames names_;
    bool refused_ = false;
};

// Writes `images` into `folder`, which is made when missing. A file already there is replaced only with
// `replace`. Reports a failure with the path that failed.
Verdict writeImages(const std::vector<BookImage>& images, const std::string& folder, bool replace);

} // namespace quillery::epub
