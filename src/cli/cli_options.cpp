#include "cli/cli_options.h"

#include <string_view>

namespace quillery::cli {
namespace {

// Options that take a value, given as "--name VALUE" or "--name=VALUE".
std::optional<std::string>* valueSlot(CliOptions& options, std::string_view name) {
    if (name == "--title") {
        return &options.title;
    }
    if (name == "--author") {
        return &options.author;
    }
    if (name == "--publisher") {
        return &options.publisher;
    }
    if (name == "--isbn") {
        return &options.isbn;
    }
    if (name == "--copyright") {
        return &options.copyright;
    }
    if (name == "--font") {
        return &options.font;
    }
    if (name == "-o" || name == "--output") {
        return &options.output;
    }

    return nullptr;
}

bool setFlag(CliOptions& options, std::string_view argument) {
    struct Flag {
        std::string_view name;
        bool CliOptions::*field;
    };
    static constexpr Flag kFlags[] = {
        {"--keep-existing", &CliOptions::keepExisting},
        {"--check", &CliOptions::check},
        {"--werror", &CliOptions::werror},
        {"--dictionary", &CliOptions::dictionary},
        {"-v", &CliOptions::verbose},
        {"--verbose", &CliOptions::verbose},
        {"-h", &CliOptions::help},
        {"--help", &CliOptions::help},
        {"--version", &CliOptions::version},
        {"--inspect", &CliOptions::inspect},
        {"--json", &CliOptions::json},
        {"--pages", &CliOptions::pages},
        {"--emit-tml", &CliOptions::emitMarkup},
        {"--force", &CliOptions::force},
        {"--color-images", &CliOptions::colorImages},
        {"--fit-images", &CliOptions::fitImages},
    };
    for (const Flag& flag : kFlags) {
        if (argument == flag.name) {
            options.*flag.field = true;
            return true;
        }
    }
    return false;
}

constexpr unsigned kMaxJobs = 1024;

bool parseJobs(std::string_view text, unsigned& jobs) {
    if (text.empty() || text.size() > 4) {
        return false;
    }
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > kMaxJobs) {
        return false;
    }
    jobs = value;
    return true;
}

} // namespace

std::optional<CliOptions> parseCliOptions(const std::vector<std::string>& arguments, std::string& error) {
    CliOptions options;
    bool onlySources = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (onlySources || argument.empty() || argument[0] != '-' || argument == "-") {
            options.sources.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            onlySources = true;
            continue;
        }
        if (setFlag(options, argument)) {
            continue;
        }
        if (argument == "--diagnostics=json" || argument == "--diagnostics=human") {
            options.diagnostics =
                argument == "--diagnostics=json" ? DiagnosticsFormat::Json : DiagnosticsFormat::Human;
            continue;
        }
        if (argument.starts_with("-j") || argument == "--jobs" || argument.starts_with("--jobs=")) {
            // "-j N", "-jN", "--jobs N" or "--jobs=N"
            std::string value;
            if (argument.size() > 2 && argument[1] == 'j') {
                value = argument.substr(2);
            } else if (argument.size() > 6) {
                value = argument.substr(7);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            }
            if (!parseJobs(value, options.jobs)) {
                error = "-j takes a number of threads from 1 to " + std::to_string(kMaxJobs);
                return std::nullopt;
            }
            continue;
        }
        size_t equals = argument.find('=');
        std::string_view name = argument.substr(0, equals);
        std::optional<std::string>* slot = valueSlot(options, name);
        if (slot == nullptr) {
            error = "unknown option '" + std::string(argument) + "'";
            return std::nullopt;
        }
        if (equals != std::string_view::npos) {
            *slot = std::string(argument.substr(equals + 1));
        } else if (i + 1 < arguments.size()) {
            *slot = arguments[++i];
        } else {
            error = "option '" + std::string(name) + "' needs a value";
            return std::nullopt;
        }
    }
    if (options.help || options.version) {
        return options;
    }
    if (options.sources.empty()) {
        error = options.inspect ? "--inspect needs a BOOK.tdb" : "no SOURCE given";
        return std::nullopt;
    }
    if (options.inspect && options.sources.size() != 1) {
        error = "--inspect takes exactly one BOOK.tdb";
        return std::nullopt;
    }
    if (options.output && options.sources.size() != 1) {
        error = "-o can only be used with one SOURCE";
        return std::nullopt;
    }
    if (options.output && options.keepExisting) {
        error = "-o and --keep-existing cannot be used together";
        return std::nullopt;
    }
    if ((options.pages && !options.inspect && !options.check) || (options.font && !options.pages)) {
        error = "--pages goes with --inspect or --check, and --font with --pages";
        return std::nullopt;
    }
    if (options.pages && options.check && options.sources.size() != 1) {
        error = "--check --pages takes exactly one SOURCE";
        return std::nullopt;
    }
    if (options.font && *options.font != "small" && *options.font != "large") {
        error = "--font takes small or large";
        return std::nullopt;
    }
    if (options.check && (options.output || options.keepExisting)) {
        error = "--check writes no book: it takes neither -o nor --keep-existing";
        return std::nullopt;
    }
    if (options.force && !options.emitMarkup) {
        error = "--force goes with --emit-tml";
        return std::nullopt;
    }
    if (options.emitMarkup &&
        (options.inspect || options.check || options.pages || options.keepExisting || options.dictionary)) {
        error = "--emit-tml builds no book: it takes none of --inspect, --check, --pages, --keep-existing, "
                "--dictionary";
        return std::nullopt;
    }
    if (options.json && !options.inspect && !options.pages) {
        error = "--json goes with --inspect or --pages (for build messages use --diagnostics=json)";
        return std::nullopt;
    }
    return options;
}

const char* usageText() {
    return "Usage: quillery-cli [OPTIONS] SOURCE...\n"
           "       quillery-cli --inspect [--json] [--pages [--font small|large]] BOOK.tdb\n"
           "       quillery-cli --check --pages [--json] [--font small|large] SOURCE\n"
           "\n"
           "Builds one book (.tdb) per SOURCE (.tml, .txt, Markdown .md or EPUB .epub), beside the source.\n"
           "\n"
           "Options:\n"
           "  -o, --output PATH      write the book to PATH (one SOURCE only)\n"
           "  --keep-existing        never replace a book: write NAME.1.tdb, NAME.2.tdb, ... instead\n"
           "  --check                run the whole build and report, but write no book and no file\n"
           "  --werror               treat warnings as errors: the book is not kept and the exit status is "
           "1\n"
           "  --title TEXT           book title (replaces TITLE= of the source)\n"
           "  --author TEXT          author (replaces AUTHOR=)\n"
           "  --publisher TEXT       publisher (replaces PUBLISHER=)\n"
           "  --isbn TEXT            ISBN (replaces EISBN=)\n"
           "  --copyright TEXT       copyright line (replaces COPYRIGHT=)\n"
           "  --dictionary           dictionary build: small font only, index items accepted\n"
           "  --emit-tml             write each Markdown or EPUB SOURCE as NAME.tml and NAME_img/ (or -o\n"
           "                         PATH), build no book; an existing file or folder is kept unless\n"
           "                         --force\n"
           "  --force                with --emit-tml: replace an existing .tml and image folder\n"
           "  --fit-images           for a .tml or .txt SOURCE: fit the pictures of its image folder to the\n"
           "                         page in a scratch copy the build reads (files named *.png holding a\n"
           "                         JPEG, GIF or PNG of any kind: scaled down to at most 150 x 148\n"
           "                         pixels, 8-bit grey); the folder itself is not changed. Markdown\n"
           "                         and EPUB pictures are always fitted\n"
           "  --color-images         fitted pictures become 256-colour palette PNGs instead of grey\n"
           "  --diagnostics=json     one JSON object per message on standard output\n"
           "  -v, --verbose          also print progress notes\n"
           "  -j, --jobs N           build on N threads in all: several sources at once, and the text of\n"
           "                         each compressed in pieces side by side (default: one per core; -j 1\n"
           "                         builds one source after the other on this thread alone). Books,\n"
           "                         messages (each source's together, in command-line order) and exit\n"
           "                         status are the same for every N\n"
           "  --inspect              show the structure of BOOK.tdb and check it\n"
           "  --json                 with --inspect or --pages: print it as one JSON document\n"
           "  --pages                with --inspect: every page of BOOK.tdb in one font, line by line as "
           "the\n"
           "                         reader breaks it; with --check: the same for SOURCE, no book written\n"
           "                         (the build's messages then go to standard error)\n"
           "  --font small|large     with --pages: the font whose pages are shown (default small)\n"
           "  -h, --help             show this help\n"
           "  --version              show the version\n"
           "\n"
           "Exit status: 0 every book was written, 1 a book was not (or standard output could not be\n"
           "written), 2 usage error, 128+N stopped by signal N (the build's files removed).\n"
           "SOURCE_DATE_EPOCH (seconds) fixes the creation date and random tag: builds become "
           "reproducible.\n";
}

} // namespace quillery::cli
