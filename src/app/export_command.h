// `quillery --export-pages DIR [--font small|large] [--scale N] BOOK.tdb`: every page of a book saved as
// PNG images without a window (on the offscreen platform), for pipelines.
//
// Exit status: 0 when every page was saved, 1 when the book could not be read or a file not written, 2 for
// a usage error. Messages go to standard error, each beginning "quillery: ".
#pragma once

#include "markup/reader_view.h"

#include <optional>
#include <string>
#include <vector>

namespace quillery {

struct ExportCommand {
    std::string folder;
    ViewFont font = ViewFont::Small;
    int scale = 3;
    std::string book;
};

inline constexpr const char* kExportPagesUsage =
    "usage: quillery --export-pages DIR [--font small|large] [--scale N] BOOK.tdb";

// Whether the program's arguments ask for the export: the first one is --export-pages (or
// --export-pages=DIR).
bool isExportPagesCommand(int argc, const char* const* argv);

// The export's arguments (the program name left out); none, with `error` saying what is wrong, for a usage
// error. Options take their value as the next argument or after "=".
std::optional<ExportCommand> parseExportPagesCommand(const std::vector<std::string>& arguments,
                                                     std::string& error);

// Runs the export for the program's arguments and returns the exit status. Makes its own application
// object on the offscreen platform: no QApplication may exist.
int runExportPagesCommand(int argc, char** argv);

} // namespace quillery
