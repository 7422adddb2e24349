// Saving preview pages as PNG images, for the Preview window's File > Export Pages... and for
// `quillery --export-pages`.
#pragma once

#include "app/preview_book.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillery {

struct ExportRequest {
    ViewFont font = ViewFont::Small;
    int scale = 3;              // 1 to 4
    std::optional<size_t> page; // one page (from 0), or none for every page
    std::string folder;         // made when it does not exist (its parent must)
};

// The file a page is saved in: "page-" and its number from 1, with at least three digits and as many as the
// last page needs, so that the files sort in page order ("page-001.png").
std::string exportFileName(size_t page, size_t pageCount);

// Draws the requested pages and saves each as a PNG file in the folder, replacing a file of the same name.
// A file is written whole or not at all. Returns false with `error` set to a sentence naming the folder or
// file when the book has no such pages, the folder cannot be made or a file cannot be written; the files
// saved before the failure stay. `written` (optional) receives the paths saved.
[[nodiscard]] bool exportPages(PreviewBook& book, const ExportRequest& request, std::string& error,
                               std::vector<std::string>* written = nullptr);

} // namespace quillery
