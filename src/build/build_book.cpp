#include "build/build_book.h"

#include "build/block_split.h"
#include "build/block_store.h"
#include "build/book_paths.h"
#include "build/scratch_folder.h"
#include "build/source_date_epoch.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "framework/interrupt_cleanup.h"
#include "framework/random_generator.h"
#include "framework/recorded_reports.h"
#include "framework/thread_pool.h"
#include "markup/blocks.h"
#include "markup/paginate_book.h"
#include "tdb/book_format.h"
#include "tdb/book_writer.h"
#include "tdb/image_conversion.h"
#include "tdb/record_queue.h"
#include "tdb/text_records.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
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
    bool isTempPath = outputPath == temps.text || outputPath == temps.sidebars ||
                      outputPath == temps.footnotes || outputPath == temps.images;
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
        // Named for the interrupt cleanup as it is made: a signal from here on removes it.
        auto held = InterruptCleanup::hold();
        created = probe.createFile() == 0;
        if (created) {
            InterruptCleanup::addFile(outputPath);
        }
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
        auto held = InterruptCleanup::hold();
        (void)probe.remove();
        InterruptCleanup::dropFile(outputPath);
    }
    return ok;
}

// A source text handed over by the caller, copied into the buffer the build maps in place.
ReadSourceResult copySource(std::string_view given, SourceText& text) {
    if (given.size() >= UINT32_MAX) {
        return ReadSourceResult::TooLarge;
    }
    text.bytes.reset(new (std::nothrow) char[given.empty() ? 1 : given.size()]);
    if (!text.bytes) {
        return ReadSourceResult::TooLarge;
    }
    std::copy(given.begin(), given.end(), text.bytes.get());
    text.length = given.size();
    return ReadSourceResult::Ok;
}

// Everything of one build after the files have been checked and the old output deleted.
struct Build {
    Build(const FileService& source, const FileService& output, const BookInfo& info, uint32_t flags,
          std::string sourcePath, TempPaths temps, const BuildSettings& settings, FileSystem& files)
        : source(source), output(output), info(info), flags(flags), sourcePath(std::move(sourcePath)),
          temps(std::move(temps)), settings(settings), files(files), random(now()) {}

    const FileService& source;
    const FileService& output;
    const BookInfo& info;
    uint32_t flags;
    std::string sourcePath;
    std::string bookName;
    std::string imageFolder;
    TempPaths temps;
    const BuildSettings& settings;
    FileSystem& files;
    // The temporary files, made by this build and used through these objects only.
    TempTextFile textTemp;
    TempTextFile sidebarTemp;
    TempTextFile footnoteTemp;
    RandomGenerator random;
    RecordBuffer textRecordStarts{4};
    RecordBuffer textRecordSizes{4};
    RecordBuffer sidebarRecordSizes{4};
    RecordBuffer footnoteRecordSizes{4};

    Verdict run();
    Verdict storeBlocks(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                        BookTables& tables, RecordBuffer& recordSizes, const std::string& path,
                        TempTextFile& temp);
    Verdict storeMainText(std::string_view mainText);
    Verdict storeWhilePaginating(std::string_view mainText, std::string_view blockSection);
    Verdict processMarkup(std::string_view mainText, std::string_view blockSection,
                          const std::function<Verdict()>& mainTextStored = {});
};

Verdict Build::storeMainText(std::string_view mainText) {
    if (failed(textTemp.create(files, temps.text))) {
        return Verdict::Failed;
    }
    return textTemp.append(mainText, textRecordSizes, &textRecordStarts, settings.pool);
}

Verdict Build::storeBlocks(BlockKind kind, std::string_view blockSection, size_t sectionStart,
                           BookTables& tables, RecordBuffer& recordSizes, const std::string& path,
                           TempTextFile& temp) {
    RefTable& references = kind == BlockKind::Sidebar ? tables.sidebars : tables.footnotes;
    if (!references.empty() && failed(temp.create(files, path))) {
        return Verdict::Failed;
    }
    return storeBlockBodies(kind, blockSection, sectionStart, references, recordSizes, tables.images,
                            imageFolder, temp, settings.pool);
}

// With a pool, the main text's records are compressed and written on it while this thread paginates: the
// pages need only the cuts. The pagination's reports wait until the text is stored, and when storing fails
// the build ends with the text's reports alone, as it does without a pool.
Verdict Build::storeWhilePaginating(std::string_view mainText, std::string_view blockSection) {
    if (failed(textTemp.create(files, temps.text))) {
        return Verdict::Failed;
    }
    ThreadPool& pool = *settings.pool;
    RecordQueue queue(textTemp.compressor(), pool, RecordQueue::windowFor(pool));
    size_t count = queue.add(mainText);
    bool listed = textRecordStarts.appendU32(0) && textRecordSizes.appendU32(0);
    size_t total = 0;
    for (size_t k = 0; k < count && listed; ++k) {
        total += queue.pieceLength(k);
        listed = textRecordStarts.appendU32(static_cast<uint32_t>(total));
    }
    if (!listed) {
        reportError("Not enough memory to compress the text.");
        return Verdict::Failed;
    }
    RecordedReports storeReports;
    Verdict stored = Verdict::Failed;
    ThreadPool::TaskHandle writer = pool.submit([&] {
        ReportSinkScope scope(&storeReports);
        try {
            stored = writeQueuedRecords(queue, count, *textTemp.file(), textRecordSizes, nullptr);
        } catch (const std::bad_alloc&) {
            reportError("There is not enough memory to build the book %s.", sourcePath.c_str());
        }
    });
    // However this ends, the writer is done with the queue and the file before they go.
    struct Join {
        ThreadPool& pool;
        const ThreadPool::TaskHandle& task;
        ~Join() { pool.wait(task); }
    } join{pool, writer};
    return processMarkup(mainText, blockSection, [&] {
        // The pages are done: this thread compresses beside the writer until the text is stored.
        pool.waitHelping(writer, queue.group());
        storeReports.replay(currentSink());
        return stored;
    });
}

Verdict Build::processMarkup(std::string_view mainText, std::string_view blockSection,
                             const std::function<Verdict()>& mainTextStored) {
    BookTables tables;
    // The converted images wait in a temporary file of the build, not in memory (the tables close it).
    tables.images.streams.placeIn(files, temps.images);
    RecordedReports paginationReports;
    Verdict paginated = Verdict::Failed;
    {
        ReportSinkScope scope(mainTextStored ? &paginationReports : nullptr);
        paginated = paginateBook(mainText, imageFolder, textRecordStarts, tables, flags, convertImageTable);
    }
    if (mainTextStored) {
        if (failed(mainTextStored())) {
            return Verdict::Failed;
        }
        paginationReports.replay(currentSink());
    }
    if (settings.markupScanned) {
        settings.markupScanned(mainText, textRecordStarts, imageFolder, flags);
    }
    if (failed(paginated)) {
        reportError("Errors occurred while paginating the book. No output file generated.");
        reportNote("Done.");
        return Verdict::Failed;
    }
    if (failed(resolveBlockReferences(blockSection, tables.sidebars, tables.footnotes))) {
        return Verdict::Failed;
    }
    // Both kinds are always written, so that every problem of both is reported.
    size_t sectionStart = mainText.size();
    Verdict sidebars = storeBlocks(BlockKind::Sidebar, blockSection, sectionStart, tables, sidebarRecordSizes,
                                   temps.sidebars, sidebarTemp);
    Verdict footnotes = storeBlocks(BlockKind::Footnote, blockSection, sectionStart, tables,
                                    footnoteRecordSizes, temps.footnotes, footnoteTemp);
    if (failed(sidebars) || failed(footnotes)) {
        return Verdict::Failed;
    }
    // The random tag: two draws, the first in the high half.
    uint32_t high = random.next();
    uint32_t low = random.next();
    // A kind of block without references made no temporary file (nor does a main text that is not stored).
    FileService noFile{std::string()};
    BookWriterInput input{
        .bookName = bookName,
        .flags = flags,
        .creationTime = now(),
        .randomTag = randomTag(high, low),
        .info = info,
        .tables = tables,
        .text = {textTemp.file() ? *textTemp.file() : noFile, textRecordSizes},
        .textRecordStarts = textRecordStarts,
        .sidebars = {sidebarTemp.file() ? *sidebarTemp.file() : noFile, sidebarRecordSizes},
        .footnotes = {footnoteTemp.file() ? *footnoteTemp.file() : noFile, footnoteRecordSizes},
        .outputPath = output.fullPath(),
        .replaceOutput = settings.replaceOutput,
        .files = files,
    };
    return writeBook(input);
}

Verdict Build::run() {
    reportNote("Writing book <%s> from file <%s>...", bookName.c_str(),
               std::string(cutUtf8(source.fileName(), 259)).c_str());
    SourceText text;
    switch (settings.sourceText ? copySource(*settings.sourceText, text) : readSource(source.path(), text)) {
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
    if (settings.pool != nullptr) {
        return storeWhilePaginating(mainText, blockSection);
    }
    if (failed(storeMainText(mainText))) {
        return Verdict::Failed;
    }
    return processMarkup(mainText, blockSection);
}

void removeTemps(FileSystem& files, const TempPaths& temps) {
    for (const std::string* path : {&temps.text, &temps.sidebars, &temps.footnotes, &temps.images}) {
        (void)files.removeIfPresent(*path);
    }
}

Verdict runBuild(const FileService& source, const FileService& output, const BookInfo& info, uint32_t flags,
                 const TempPaths& temps, const BuildSettings& settings, bool guardImageFolder) {
    std::string sourcePath = source.fullPath();
    if (!checkFiles(source, output, temps, guardImageFolder)) {
        return Verdict::Failed;
    }
    FileSystem& files = settings.files != nullptr ? *settings.files : systemFileSystem();
    const std::string outputPath = output.fullPath();
    Build build(source, output, info, flags, sourcePath, temps, settings, files);
    build.bookName = bookNameFromTitle(info.title.toAnsi());
    build.imageFolder = settings.imageFolder ? *settings.imageFolder : imageFolderPath(sourcePath);
    FileService imageFolder(build.imageFolder);
    if (imageFolder.exists() && !imageFolder.isDirectory()) {
        reportWarning("The image directory \"%s\" isn't a directory.", build.imageFolder.c_str());
    }
    // From here on an interruption removes the temporary files (stale ones are deleted here anyway), and
    // until the old output is deleted, the output too (the check may have just made it).
    for (const std::string* path :
         {&temps.text, &temps.sidebars, &temps.footnotes, &temps.images, &outputPath}) {
        InterruptCleanup::addFile(*path);
    }
    (void)files.removeIfPresent(outputPath);
    InterruptCleanup::dropFile(outputPath);
    removeTemps(files, temps);

    Verdict verdict = Verdict::Failed;
    try {
        verdict = build.run();
    } catch (const std::bad_alloc&) {
        reportError("There is not enough memory to build the book %s.", sourcePath.c_str());
    }
    build.textTemp.close();
    build.sidebarTemp.close();
    build.footnoteTemp.close();
    removeTemps(files, temps);
    for (const std::string* path : {&temps.text, &temps.sidebars, &temps.footnotes, &temps.images}) {
        InterruptCleanup::dropFile(*path);
    }
    return verdict;
}

Verdict checkBuild(const FileService& source, const BookInfo& info, uint32_t flags,
                   const BuildSettings& settings) {
    ScratchFolder scratch;
    if (!scratch.make("check")) {
        reportError("Could not create a scratch folder to check the book in.");
        return Verdict::Failed;
    }
    // Short names of the check's own, so that a source name of any length the system allows can be checked.
    FileService output(scratch.path() + "/book.tdb");
    // The scratch book cannot replace a picture, wherever the scratch folder lies.
    return runBuild(source, output, info, flags, tempPathsFor(scratch.path() + "/book"), settings, false);
}

} // namespace

Verdict buildBook(const FileService* source, const FileService* output, const BookInfo& info, uint32_t flags,
                  const BuildSettings& settings) {
    // The build's reports go to its own sink, and its places refer to its own text only: no text is announced
    // until the source is mapped. The caller's sink and text are back when the build returns.
    ReportSinkScope sink(settings.diagnostics);
    ReportTextScope noTextYet({});
    if (source == nullptr) {
        return Verdict::Failed;
    }
    if (settings.checkOnly) {
        return checkBuild(*source, info, flags, settings);
    }
    if (output == nullptr) {
        return Verdict::Failed;
    }
    return runBuild(*source, *output, info, flags, tempPathsFor(source->fullPath()), settings, true);
}

} // namespace quillery
