// Markdown and EPUB sources on the command line written out as markup sources (--emit-tml) that the author
// can adjust and build like any other.
#pragma once

#include "cli/cli_options.h"
#include "epub/epub_book.h"
#include "markdown/markdown_book.h"

namespace quillery::cli {

class DiagnosticPrinter;

// The header fields the options give, in place of a source's own.
markdown::HeaderFields headerOverrides(const CliOptions& options);

// What fitted pictures become: --color-images gives palette PNGs, else grey.
pictures::PictureColors pictureColors(const CliOptions& options);

// --emit-tml: writes the markup source and image folder of every source. Returns the exit status: 0 when
// every one was written, 1 otherwise.
int runEmitMarkup(const CliOptions& options, DiagnosticPrinter& printer);

} // namespace quillery::cli
