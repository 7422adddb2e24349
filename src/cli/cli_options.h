// The command line of quillery-cli.
#pragma once

#include "markup/reader_view.h"

#include <optional>
#include <string>
#include <vector>

namespace quillery::cli {

enum class DiagnosticsFormat { Human, Json };

struct CliOptions {
    std::vector<std::string> sources;
    std::optional<std::string> output; // -o PATH
    std::optional<std::string> title, author, publisher, isbn, copyright;
    bool keepExisting = false;
    bool check = false;  // build everything, write nothing
    bool werror = false; // a warning fails the build
    bool dictionary = false;
    bool emitMarkup = false;  // --emit-tml: write the markup source of each Markdown source, build nothing
    bool force = false;       // with --emit-tml: replace an existing markup source and image folder
    bool colorImages = false; // fitted pictures become 256-colour palette PNGs instead of grey
    bool fitImages = false;   // a markup source's pictures are fitted to the page before the build reads them
    bool verbose = false;
    bool help = false;
    bool version = false;
    bool inspect = false;
    bool json = false;               // with --inspect
    bool pages = false;              // with --inspect: the page preview
    std::optional<std::string> font; // with --pages: "small" or "large"
    DiagnosticsFormat diagnostics = DiagnosticsFormat::Human;
    unsigned jobs = 0; // -j N: threads in all; 0: one per core
};

// Parses argv (without the program name). On a usage error returns nullopt and sets `error`.
std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& arguments, std::string& error);

// The font --font names (small unless it says large).
inline ViewFont previewFontOf(const CliOptions& options) {
    return options.font == "large" ? ViewFont::Large : ViewFont::Small;
}

// The text of --help.
const char* usageText();

} // namespace quillery::cli
