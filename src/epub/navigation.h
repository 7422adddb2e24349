// The table of contents of an EPUB: the EPUB 3 navigation document's toc, else the EPUB 2 NCX. Each entry
// names a place (a document, and an id in it or its start) with a title and a level (1 for the outermost).
#pragma once

#include "epub/package_document.h"

#include <string>
#include <vector>

namespace quillery::epub {

struct NavEntry {
    std::string path;
    std::string fragment; // "" for the start of the document
    std::string title;    // UTF-8, spaces collapsed
    int level = 1;
};

std::vector<NavEntry> readNavigation(EpubArchive& archive, const Package& package);

} // namespace quillery::epub
