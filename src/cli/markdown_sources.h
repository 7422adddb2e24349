// Markdown sources on the command line: converted to markup text for the build, or written out as a markup
// source (--emit-tml) that the author can adjust and build like any other.
#pragma once

#include "cli/cli_options.h"
#include "framework/book_info.h"
#include "framework/file_service.h"
#include "markdown/markdown_converter.h"

#include <optional>
#include <string>

namespace quillery::cli {

class DiagnosticPrinter;

// The header fields the options give, in place of a source's own.
markdown::HeaderFields headerOverrides(const CliOptions& options);

// A Markdown source made ready for one build: its markup text, and its images copied into a private folder
// that is removed with this object.
class MarkdownBuild {
  public:
    ~MarkdownBuild();
    MarkdownBuild() = default;
    MarkdownBuild(const MarkdownBuild&) = delete;
    MarkdownBuild& operator=(const MarkdownBuild&) = delete;

    // Reads and converts `source`. Reports every problem; false when the book cannot be built from it (an
    // image error, or no private image folder). A source that cannot be read gives an empty text: the build
    // then reports it as it reports any source it cannot open.
    bool prepare(const FileService& source, const CliOptions& options);

    const markdown::Conversion& conversion() const { return conversion_; }
    const std::string& imageFolder() const { return imageFolder_; }

  private:
    markdown::Conversion conversion_;
    std::string scratch_;
    std::string imageFolder_;
};

// --emit-tml: writes the markup source and image folder of every source. Returns the exit status: 0 when
// every one was written, 1 otherwise.
int runEmitMarkup(const CliOptions& options, DiagnosticPrinter& printer);

} // namespace quillery::cli
