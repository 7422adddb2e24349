#include "build/build_book.h"

#include "build/block_split.h"
#include "build/book_paths.h"
#include "build/diagnostics.h"
#include "build/source_date_epoch.h"
#include "build/source_text.h"
#include "framework/random_generator.h"
#include "markup/blocks.h"
#include "markup/paginate_book.h"
#include "tdb/book_writer.h"
#include "tdb/text_records.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <new>
#include <stdlib.h>

namespace quillery {
namespace {

constexpr size_t kMessageNameLength = 255;

std::string messageName(const FileService& file) {
    return std::string(cutUtf8(file.fileName(), kMessageNameLength));
}

uint32_t now() {
    if (auto epoch = sourceDateEpoch()) {
        return *epoch;
    }
    return static_cast<uint32_t>(std::time(nullptr));
}

// Step 1: can the source be read and the output written? An output file this check creates is removed again
// when the check fails, so a failed build leaves no empty book behind. An output in the source's image folder
// (or below it) is refused before anything is touched: the build would replace a picture the book uses.
bool checkFiles(const FileService& source, const FileService& output, const TempPaths& temps,
                bool guardImageFolder) {
    if (source.isSameFile(output)) {
        reportError("The input and output files are the same! (%s)", messageName(source).c_str());
        return false;
    }
    bool ok = true;
    FileService input(source.path());
    if (input.open(FileService::Mode::Read) != 0 || input.close() != 0) {
        reportError("The input file \"%s\" could not be opened.", messageName(source).c_str());
        ok = false;
    }
    std::string outputPath = output.fullPath();
    bool isTempPath =
        outputPath == temps.text || outputPath == temps.sidebars || outputPath == temps.footnotes;
    FileService probe(output.path());
    if (guardImageFolder && probe.liesInside(FileService(imageFolderPath(source.path())))) {
        reportError("The file \"%s\" could not be opened for writing: it is in the image folder of the "
                    "source.",
                    messageName(output).c_str());
        return false;
    }
    bool existed = probe.exists();
    bool created = false;
    bool writable = !isTempPath && (!existed || probe.isRegularFile());
    if (writable && !existed) {
        created = probe.createFile() == 0;
        writable = created;
    }
    if (writable) {
        writable = probe.open(FileService::Mode::ReadWrite) == 0 && probe.close() == 0;
    }
    if (!writable) {
        reportError("The file \"%s\" could not be opened for writing.", messageName(output).c_str());
        ok = false;
    }
    if (!ok && created) {
        (void)probe.remove();
    }
    return ok;
}

void removeIfPresent(const std::string& path) {
    FileService file(path);
    if (file.exists()) {
        (void)file.remove();
    }
}

// Everything of one build after the files have been checked and the old output deleted.
struct Build {
    Build(const FileService& source, const FileService& output, const BookInfo& info, uint32_t flags,
          std::string sourcePath, TempPaths temps)
        : source(source), output(output), info(info), flags(flags), sourcePath(std::move(sourcePath)),
          temps(std::move(temps)), random(now()) {}

    const FileService& source;
    const FileService& output;
    const BookInfo& info;
    uint32_t flags;
    std::string sourcePath;
    std::string bookName;
    std::string imageFolder;
    TempPaths temps;
    RandomGenerator random;
    RecordBuffer textRecordStarts{4};
    RecordBuffer textRecordSizes{4};
    RecordBuffer sidebarRecordSizes{4};
    RecordBuffer footnoteRecordSizes{4};

    Verdict run();
    Verdict storeMainText(std::string_view mainText);
    Verdict processMarkup(std::string_view mainText, std::string_view blockSection);
};

Verdict Build::storeMainText(std::string_view mainText) {
    FileService temp(temps.text);
    if (temp.createFile() != 0) {
        reportError("Could not create file %s.", temps.text.c_str());
        return Verdict::Failed;
    }
    if (temp.open(FileService::Mode::ReadWrite) != 0) {
        reportError("Could not open file %s for writing.", temps.text.c_str());
        return Verdict::Failed;
    }
    ZlibCompressor compressor;
    if (failed(compressTextRecords(mainText, temp, textRecordSizes, &textRecordStarts, compressor))) {
        return Verdict::Failed;
    }
    if (temp.close() != 0) {
        reportError("An error occurred writing the file %s.", temps.text.c_str());
        return Verdict::Failed;
    }
    return Verdict::Ok;
}

Verdict Build::processMarkup(std::string_view mainText, std::string_view blockSection) {
    BookTables tables;
    if (failed(paginateBook(mainText, imageFolder, textRecordStarts, tables, flags))) {
        reportError("Errors occurred while paginating the book. No output file generated.");
        reportNote("Done.");
        return Verdict::Failed;
    }
    if (failed(resolveBlockReferences(blockSection, tables.sidebars, tables.footnotes))) {
        return Verdict::Failed;
    }
    // Both kinds are always written, so that every problem of both is reported.
    size_t sectionStart = mainText.size();
    Verdict sidebars = writeBlocks(BlockKind::Sidebar, blockSection, sectionStart, tables.sidebars,
                                   sidebarRecordSizes, tables.images, imageFolder, temps.sidebars);
    Verdict footnotes = writeBlocks(BlockKind::Footnote, blockSection, sectionStart, tables.footnotes,
                                    footnoteRecordSizes, tables.images, imageFolder, temps.footnotes);
    if (failed(sidebars) || failed(footnotes)) {
        return Verdict::Failed;
    }
    BookWriterInput input;
    input.textTempPath = temps.text;
    input.sidebarTempPath = temps.sidebars;
    input.footnoteTempPath = temps.footnotes;
    input.outputPath = output.fullPath();
    input.bookName = bookName;
    input.info = &info;
    input.tables = &tables;
    input.textRecordStarts = &textRecordStarts;
    input.textRecordSizes = &textRecordSizes;
    input.sidebarRecordSizes = &sidebarRecordSizes;
    input.footnoteRecordSizes = &footnoteRecordSizes;
    input.flags = flags;
    input.creationTime = now();
    input.random = &random;
    return writeBook(input);
}

Verdict Build::run() {
    reportNote("Writing book <%s> from file <%s>...", bookName.c_str(),
               std::string(cutUtf8(source.fileName(), 259)).c_str());
    SourceText text;
    switch (readSource(source.path(), text)) {
    case ReadSourceResult::Ok:
        break;
    case ReadSourceResult::TooLarge:
        reportError("The file %s is too large to be built.\n", sourcePath.c_str());
        return Verdict::Failed;
    case ReadSourceResult::CannotOpen:
    case ReadSourceResult::ReadError:
        reportError("An error occurred reading the file %s.\n", sourcePath.c_str());
        return Verdict::Failed;
    }
    text.length = mapSourceText(text.bytes.get(), text.length);
    std::string_view mapped = text.view();
    ReportTextScope places(mapped);
    size_t split = mainTextLength(mapped);
    std::string_view mainText = mapped.substr(0, split);
    std::string_view blockSection = mapped.substr(split);
    if (failed(storeMainText(mainText))) {
        return Verdict::Failed;
    }
    return processMarkup(mainText, blockSection);
}

Verdict runBuild(const FileService& source, const FileService& output, const BookInfo& info, uint32_t flags,
                 const TempPaths& temps, bool guardImageFolder) {
    std::string sourcePath = source.fullPath();
    if (!checkFiles(source, output, temps, guardImageFolder)) {
        return Verdict::Failed;
    }
    Build build(source, output, info, flags, sourcePath, temps);
    build.bookName = bookNameFromTitle(info.title.toAnsi());
    build.imageFolder = imageFolderPath(sourcePath);
    FileService imageFolder(build.imageFolder);
    if (imageFolder.exists() && !imageFolder.isDirectory()) {
        reportWarning("The image directory \"%s\" isn't a directory.", build.imageFolder.c_str());
    }
    removeIfPresent(output.fullPath());
    removeIfPresent(temps.text);
    removeIfPresent(temps.sidebars);
    removeIfPresent(temps.footnotes);

    Verdict verdict = Verdict::Failed;
    try {
        verdict = build.run();
    } catch (const std::bad_alloc&) {
        reportError("There is not enough memory to build the book %s.", sourcePath.c_str());
    }
    removeIfPresent(temps.text);
    removeIfPresent(temps.sidebars);
    removeIfPresent(temps.footnotes);
    return verdict;
}

// A private folder for a check build, removed with its contents when the check ends.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern =
            std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/quillery-check-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchFolder() {
        if (!path_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path_, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

Verdict checkBuild(const FileService& source, const BookInfo& info, uint32_t flags) {
    ScratchFolder scratch;
    if (scratch.path().empty()) {
        reportError("Could not create a scratch folder to check the book in.");
        return Verdict::Failed;
    }
    std::string base = scratch.path() + "/" + source.fileName();
    FileService output(scratch.path() + "/book.tdb");
    // The scratch book cannot replace a picture, wherever the scratch folder lies.
    return runBuild(source, output, info, flags, tempPathsFor(base), false);
}

} // namespace

Verdict buildBook(const FileService* source, const FileService* output, const BookInfo& info, uint32_t flags,
                  const BuildSettings& settings) {
    if (source == nullptr) {
        return Verdict::Failed;
    }
    if (settings.checkOnly) {
        return checkBuild(*source, info, flags);
    }
    if (output == nullptr) {
        return Verdict::Failed;
    }
    return runBuild(*source, *output, info, flags, tempPathsFor(source->fullPath()), true);
}

} // namespace quillery
