// EPUB to markup: an EPUB file turned into the markup text of a book, with its images, its header fields and
// the way back from every position of that text to the document inside the EPUB (and its line) it came from.
//
// The text always builds without errors: nothing in it forms a tag or a sidebar or footnote opening by
// accident, and only images the build takes are named. An EPUB that cannot be read (no ZIP archive, no
// package document, encrypted content, an entry that inflates past the limits) is reported as an error and
// gives no text at all.
#pragma once

#include "convert/front_matter.h"
#include "convert/position_map.h"
#include "epub/book_images.h"
#include "framework/book_info.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillery::epub {

struct EpubSettings {
    convert::HeaderFields overrides; // fields given by the caller, in place of the metadata's
    ImageColors colors = ImageColors::Grey;
    ArchiveLimits limits;
};

struct EpubConversion {
    std::string markup;             // the markup text, header fields first
    convert::PositionMap places;    // its positions back to places in the parts
    std::vector<std::string> parts; // the names of the documents inside the EPUB, by part number
    std::vector<BookImage> images;  // what goes into the image folder
    convert::HeaderFields fields;   // metadata with the overrides
    BookInfo info;                  // the book information the markup's header fields give
    int errors = 0;                 // errors reported (the EPUB could not be converted)
};

EpubConversion convertEpub(std::string_view bytes, const EpubSettings& settings);

// Whether `path` names an EPUB source (".epub", case ignored).
bool isEpubPath(std::string_view path);

} // namespace quillery::epub
