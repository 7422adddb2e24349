#include "cli/build_command.h"

#include "build/book_paths.h"
#include "build/build_book.h"
#include "build/header_fields.h"
#include "cli/diagnostic_printer.h"
#include "cli/markdown_sources.h"
#include "cli/page_preview.h"
#include "framework/diagnostics.h"
#include "framework/recorded_reports.h"
#include "framework/thread_pool.h"
#include "markup/paginate_book.h"
#include "pictures/author_image_paths.h"
#include "pictures/fitted_image_folder.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace quillery::cli {
namespace {

void override(WideString& field, const std::optional<std::string>& value) {
    if (value) {
        field = WideString::fromUtf8(*value);
    }
}

BookInfo bookInfoFor(const std::string& source, const CliOptions& options) {
    BookInfo info;
    readHeaderFields(source, info);
    override(info.title, options.title);
    override(info.author, options.author);
    override(info.publisher, options.publisher);
    override(info.isbn, options.isbn);
    override(info.copyright, options.copyright);
    return info;
}

bool sourceOpens(const FileService& source) {
    FileService probe(source.path());
    return probe.open(FileService::Mode::Read) == 0 && probe.close() == 0;
}

// The source whose book, written earlier in this run, is `output` (the same full path, or the same file on
// disk), or null.
const FileService* earlierSourceOf(const FileService& output,
                                   const std::vector<std::pair<FileService, FileService>>& written) {
    for (const auto& [book, source] : written) {
        if (book.isSameFile(output)) {
            return &source;
        }
    }
    return nullptr;
}

// The pages of a source's text on standard output, page by page as they are laid out.
void showSourcePages(const CliOptions& options, ReaderViewInput input) {
    bool dictionary = input.dictionary;
    std::string_view mainText = input.text;
    ReaderView view(std::move(input), previewFontOf(options));
    auto write = [](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); };
    if (options.json) {
        writePagesJson(view, mainText, write);
    } else {
        writePagesText(view, dictionary, write);
    }
}

// A name for the file at `fullPath` that is the same however its folder is reached (through a link to the
// folder, say): the folder's device and inode with the file's name, or the path itself when the folder
// cannot be found.
std::string fileIdentity(const std::string& fullPath) {
    size_t slash = fullPath.rfind('/');
    if (slash == std::string::npos) {
        return fullPath;
    }
    struct stat folder {};
    if (::stat(slash == 0 ? "/" : fullPath.substr(0, slash).c_str(), &folder) != 0) {
        return fullPath;
    }
    return std::to_string(folder.st_dev) + ":" + std::to_string(folder.st_ino) + fullPath.substr(slash);
}

// One source of the command line, planned before any build starts.
struct SourceRun {
    explicit SourceRun(const std::string& source) : sourceFile(source) {}
    FileService sourceFile;
    // The files the source's build reads or writes (see fileIdentity): the source, its book and its
    // temporary files.
    std::vector<std::string> touched;
    std::string plannedOutput;
    // Runs in its turn, after every source before it has been built: its files are also those of an earlier
    // source, so what it finds depends on how those builds went.
    bool inTurn = true;
    // Otherwise it is built on the pool, reporting into `reports`, and the outcome waits for its turn.
    ThreadPool::TaskHandle task;
    RecordedReports reports;
    int status = 0;
    bool wrote = false;
};

// The plan: which sources can be built side by side without meeting another's files.
void planSources(std::vector<SourceRun>& runs, const CliOptions& options) {
    for (size_t k = 0; k < runs.size(); ++k) {
        SourceRun& run = runs[k];
        std::string source = run.sourceFile.fullPath();
        run.plannedOutput = options.check    ? std::string()
                            : options.output ? *options.output
                                             : outputPathFor(run.sourceFile.path(), options.keepExisting);
        TempPaths temps = tempPathsFor(source);
        for (const std::string* path :
             {&source, &temps.text, &temps.sidebars, &temps.footnotes, &temps.images}) {
            run.touched.push_back(fileIdentity(*path));
        }
        if (!run.plannedOutput.empty()) {
            run.touched.push_back(fileIdentity(FileService(run.plannedOutput).fullPath()));
        }
        bool meets = false;
        for (size_t earlier = 0; earlier < k && !meets; ++earlier) {
            const SourceRun& other = runs[earlier];
            for (const std::string& path : run.touched) {
                meets = meets ||
                        std::find(other.touched.begin(), other.touched.end(), path) != other.touched.end();
            }
            meets = meets || (!run.plannedOutput.empty() && !other.plannedOutput.empty() &&
                              FileService(run.plannedOutput).isSameFile(FileService(other.plannedOutput)));
            // A numbered name depends on every book written before it: after one source in turn, all are.
            meets = meets || (options.keepExisting && other.inTurn);
        }
        run.inTurn = meets;
    }
}

// The build of one source as it has always run: header fields, title check, output name, build, --werror.
// `written` holds the books written before it in this run; `problems` counts the errors and warnings
// reported for the source so far. Reports go to the sink of the calling thread.
int buildSource(SourceRun& run, const CliOptions& options, ThreadPool* pool,
                const std::function<int()>& problems,
                const std::vector<std::pair<FileService, FileService>>& written) {
    FileService& sourceFile = run.sourceFile;
    // A Markdown source is built from the markup text it converts to.
    std::optional<markdown::MarkdownBook> markdown;
    if (markdown::isMarkdownPath(sourceFile.path())) {
        markdown.emplace(
            markdown::convertMarkdownFile(sourceFile, headerOverrides(options), pictureColors(options)));
        if (markdown->failedToConvert()) {
            return 1;
        }
    }
    // So is an EPUB.
    std::optional<epub::EpubBook> epub;
    if (epub::isEpubPath(sourceFile.path())) {
        epub.emplace(epub::convertEpubFile(sourceFile, headerOverrides(options), pictureColors(options)));
        if (epub->failedToConvert()) {
            return 1;
        }
    }
    BookInfo info = markdown ? markdown->info()
                    : epub   ? epub->info()
                             : bookInfoFor(sourceFile.path(), options);
    // A source that cannot be opened is reported by the build itself, whatever the title.
    if (info.title.empty() && sourceOpens(sourceFile)) {
        reportError(markdown ? "The book has no title: add \"title:\" to the front matter or pass --title."
                    : epub   ? "The book has no title: its EPUB metadata names none; pass --title."
                             : "The book has no title: add TITLE=\"...\" to the source or pass --title.");
        return 1;
    }
    std::string outputPath;
    if (!options.check) {
        outputPath =
            options.output ? *options.output : outputPathFor(sourceFile.path(), options.keepExisting);
    }
    FileService outputFile(outputPath);
    if (const FileService* earlier = earlierSourceOf(outputFile, written)) {
        reportError("The book \"%s\" was already written from \"%s\" in this run; this source was not "
                    "built.",
                    outputFile.path().c_str(), earlier->path().c_str());
        return 1;
    }
    uint32_t flags = options.dictionary ? kFlagDictionary : 0;
    BuildSettings settings;
    settings.checkOnly = options.check;
    settings.replaceOutput = !options.keepExisting; // a numbered name never replaces a file
    settings.pool = pool;
    if (options.pages) {
        settings.markupScanned = [&options](std::string_view mainText, const RecordBuffer& recordStarts,
                                            const std::string& imageFolder, uint32_t scannedFlags) {
            showSourcePages(options, readerViewInputOf(mainText, recordStarts, imageFolder, scannedFlags));
        };
    }
    // With --fit-images a markup source's pictures are fitted into a scratch folder that the build reads.
    pictures::FittedImageFolder fitted;
    std::optional<pictures::AuthorImagePaths> authorPaths;
    if (!markdown && options.fitImages) {
        std::string authorFolder = imageFolderPath(sourceFile.fullPath());
        if (failed(fitted.prepare(authorFolder, pictureColors(options)))) {
            return 1;
        }
        if (!fitted.folder().empty()) {
            settings.imageFolder = fitted.folder();
            DiagnosticSink& next = settings.diagnostics != nullptr ? *settings.diagnostics : currentSink();
            settings.diagnostics = &authorPaths.emplace(fitted.folder(), authorFolder, next);
        }
    }
    Verdict built = markdown ? markdown->build(sourceFile, &outputFile, info, flags, settings)
                    : epub   ? epub->build(sourceFile, &outputFile, info, flags, settings)
                             : buildBook(&sourceFile, &outputFile, info, flags, settings);
    if (failed(built)) {
        return 1;
    }
    // A book written despite an error (a sidebar or footnote without its end tag) or with warnings.
    if (options.werror && problems() > 0) {
        if (!options.check) {
            (void)outputFile.remove();
        }
        return 1;
    }
    run.wrote = !options.check;
    run.plannedOutput = outputPath;
    return 0;
}

} // namespace

int runBuilds(const CliOptions& options, DiagnosticPrinter& printer) {
    // -j 1: no thread beside this one, and every source in its turn, as always.
    size_t threads = options.jobs > 0 ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::optional<ThreadPool> pool;
    if (threads > 1) {
        pool.emplace(threads - 1);
    }
    std::vector<SourceRun> runs;
    runs.reserve(options.sources.size());
    for (const std::string& source : options.sources) {
        runs.emplace_back(source);
    }
    if (pool) {
        planSources(runs, options);
        static const std::vector<std::pair<FileService, FileService>> noneWritten;
        for (SourceRun& run : runs) {
            if (!run.inTurn) {
                run.task = pool->submit([&run, &options, &pool] {
                    ReportSinkScope scope(&run.reports);
                    auto problems = [&run] { return run.reports.errors() + run.reports.warnings(); };
                    run.status = buildSource(run, options, &*pool, problems, noneWritten);
                });
            }
        }
    }
    int status = 0;
    // The books written by this run, each with the source it came from.
    std::vector<std::pair<FileService, FileService>> written;
    for (size_t k = 0; k < runs.size(); ++k) {
        SourceRun& run = runs[k];
        printer.setFile(options.sources[k]);
        if (run.inTurn) {
            auto problems = [&printer] { return printer.errors() + printer.warnings(); };
            run.status = buildSource(run, options, pool ? &*pool : nullptr, problems, written);
        } else {
            pool->waitHelping(run.task);
            run.reports.replay(channelSink());
        }
        status = run.status != 0 ? run.status : status;
        if (run.wrote) {
            written.emplace_back(FileService(run.plannedOutput), run.sourceFile);
        }
    }
    return status;
}

} // namespace quillery::cli
