// Fuzz target: arbitrary bytes built into a book, whole, as quillery-cli builds one. The first byte chooses a
// dictionary build (bit 0x80) and a source with a small image folder beside it (bit 0x40); all the bytes are
// the source. The build's own files live in memory (MemoryFileSystem), so that thousands of builds a second
// can run.
//
// Whenever the build says it wrote a book: the book reader accepts it, its text records inflate to the mapped
// main text, no record boundary falls inside a tag (unless the tag starts the record: a piece that is one
// tag stays whole), page entries agree with the record starts, and a second build gives the same bytes.
// Whatever the result, no temporary file and no unfinished book remain, and a failed build leaves no book.
#include "build/block_split.h"
#include "build/build_book.h"
#include "build/header_fields.h"
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "markup/paginate_book.h"
#include "markup/text_positions.h"
#include "memory_file_system.h"
#include "tdb/book_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sanitizer/common_interface_defs.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace quillery;

int quiet(const Report&) {
    return 0;
}

// Stops the run at a broken promise, naming the line of the check.
#define check(condition) checkAt((condition), __LINE__)

// The scratch folder, once made: a run stopped by a failed check removes it first.
std::string* scratchFolder = nullptr;

void removeScratch() {
    if (scratchFolder != nullptr) {
        std::error_code ignored;
        std::filesystem::remove_all(*scratchFolder, ignored);
    }
}

[[noreturn]] void stop() {
    removeScratch();
    std::abort();
}

void checkAt(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_build: check at line %d failed\n", line);
        stop();
    }
}

// A scratch folder for the whole run: a.tml alone, b.tml beside its image folder b_img.
struct Scratch {
    std::string folder;
    std::vector<std::string> entries; // what the folder holds between builds, sorted

    Scratch() {
        const char* base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/quillery-fuzz-build-XXXXXX";
        check(::mkdtemp(pattern.data()) != nullptr);
        folder = pattern;
        std::filesystem::create_directory(folder + "/b_img");
        std::error_code ignored;
        for (const char* image :
             {"fuzz/seeds/images/grey8.png", "fuzz/seeds/images/grey16_interlaced.png",
              "fuzz/seeds/images/palette2_trns_text.png", "samples/lighthouse_img/tower.png"}) {
            std::filesystem::path from = std::filesystem::path(QUILLERY_SOURCE_DIR) / image;
            std::filesystem::copy_file(from, folder + "/b_img/" + from.filename().string(), ignored);
        }
        std::filesystem::copy_file(std::string(QUILLERY_SOURCE_DIR) + "/fuzz/seeds/images/grey8.png",
                                   folder + "/b_img/pic.png", ignored);
        writeSource("a.tml", nullptr, 0);
        writeSource("b.tml", nullptr, 0);
        entries = list();
        scratchFolder = &folder;
    }
    ~Scratch() {
        scratchFolder = nullptr;
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    static Scratch& scratch();

    void writeSource(const char* name, const uint8_t* data, size_t size) const {
        int fd = ::open((folder + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        check(fd >= 0);
        check(size == 0 || ::write(fd, data, size) == static_cast<ssize_t>(size));
        ::close(fd);
    }

    std::vector<std::string> list() const {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder.c_str());
        check(dir != nullptr);
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        return names;
    }
};

Scratch& Scratch::scratch() {
    static Scratch instance;
    return instance;
}

// The bytes a tag takes from its backslash at `start` in `text`: `\\` 2, `\a` 5, `\U` 6, `\X`, `\S`, `\C`
// and `\Fn` 3, any other pair 2; a tag that takes an argument runs on through the closing quote when `="`
// follows. Never past the end of the text.
size_t tagBytes(std::string_view text, size_t start) {
    size_t left = text.size() - start;
    if (left < 2) {
        return left;
    }
    char tag = text[start + 1];
    char next = left > 2 ? text[start + 2] : '\0';
    size_t bytes = 2;
    if (tag == 'a') {
        bytes = 5;
    } else if (tag == 'U') {
        bytes = 6;
    } else if (tag == 'X' || tag == 'S' || tag == 'C' || (tag == 'F' && next == 'n')) {
        bytes = 3;
    }
    bytes = std::min(bytes, left);
    bool argument = tag == 'C' || tag == 'q' || tag == 'Q' || tag == 'm' || tag == 'w' || tag == 'T' ||
                    (tag == 'F' && next == 'n') || (tag == 'S' && next == 'd');
    if (argument && text.substr(start + bytes, 2) == "=\"") {
        size_t close = text.find('"', start + bytes + 2);
        bytes = close == std::string_view::npos ? left : close + 1 - start;
    }
    return bytes;
}

// Records of `text` with the given uncompressed lengths: no boundary inside a tag that does not start its
// record.
void checkRecordCuts(std::string_view text, const std::vector<BookTextRecord>& records) {
    size_t start = 0;
    for (size_t k = 0; k < records.size(); ++k) {
        size_t end = start + records[k].length;
        check(end <= text.size());
        if (k + 1 < records.size()) {
            for (size_t at = start; at < end;) {
                if (text[at] != '\\') {
                    ++at;
                    continue;
                }
                size_t bytes = tagBytes(text.substr(start), at - start);
                check(at + bytes <= end || at == start);
                at += bytes;
            }
        }
        start = end;
    }
    check(start == text.size());
}

void checkPages(const std::vector<PageEntry>& pages, const RecordBuffer& starts, size_t length) {
    uint32_t previous = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageEntry& page = pages[i];
        check(page.pageIndex == static_cast<uint16_t>(i));
        check(page.position <= length && page.position >= previous);
        previous = page.position;
        RecordPlace place = recordPlaceOf(starts, page.position);
        check(page.record == place.record && page.offset == place.offset);
    }
}

// Builds `name` in the scratch folder; returns the book's bytes, or nothing when the build failed. Either
// way the build's files are all gone but the book, and the real folder is as it was.
bool buildOnce(const std::string& name, const BookInfo& info, uint32_t flags, std::string& book) {
    Scratch& scratch = Scratch::scratch();
    std::string source = scratch.folder + "/" + name + ".tml";
    std::string output = scratch.folder + "/" + name + ".tdb";
    MemoryFileSystem files;
    BuildSettings settings;
    settings.files = &files;
    FileService sourceFile(source);
    FileService outputFile(output);
    bool built = !failed(buildBook(&sourceFile, &outputFile, info, flags, settings));
    check(scratch.list() == scratch.entries);
    if (!built) {
        check(files.files.empty());
        return false;
    }
    check(files.files.size() == 1 && files.files.count(output) == 1);
    book = *files.files[output];
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool installed = [] {
        setErrorHandler(quiet);
        setWarningHandler(quiet);
        setNoteHandler(quiet);
        ::setenv("SOURCE_DATE_EPOCH", "1780000000", 1);
        __sanitizer_set_death_callback(removeScratch); // a fault the sanitizers find ends the run too
        return true;
    }();
    (void)installed;
    Scratch& scratch = Scratch::scratch();

    uint32_t flags = size > 0 && (data[0] & 0x80) != 0 ? kFlagDictionary : 0;
    const char* name = size > 0 && (data[0] & 0x40) != 0 ? "b" : "a";
    scratch.writeSource((std::string(name) + ".tml").c_str(), data, size);

    // The book information from the source's header fields, as quillery-cli takes it.
    BookInfo info;
    readHeaderFields(scratch.folder + "/" + name + ".tml", info);
    if (info.title.empty()) {
        info.title = u"Fuzz";
    }
    std::string book;
    bool built = buildOnce(name, info, flags, book);
    if (!built) {
        return 0;
    }

    BookContents contents;
    std::string error;
    if (!readBook(book, contents, error)) {
        std::fprintf(stderr, "fuzz_build: the reader refuses the book: %s\n", error.c_str());
        stop();
    }

    // The text records hold the main text exactly as mapped.
    std::unique_ptr<char[]> bytes(new char[size == 0 ? 1 : size]);
    std::copy(data, data + size, bytes.get());
    size_t length = mapSourceText(bytes.get(), size);
    std::string_view mapped(bytes.get(), length);
    std::string_view mainText = mapped.substr(0, mainTextLength(mapped));
    check(contents.mainText == mainText);
    checkRecordCuts(mainText, contents.text);
    for (const auto* blocks : {&contents.sidebars, &contents.footnotes}) {
        for (const BookBlock& block : *blocks) {
            checkRecordCuts(block.text, block.records);
        }
    }

    RecordBuffer starts(4);
    check(starts.appendU32(0));
    uint32_t total = 0;
    for (const BookTextRecord& record : contents.text) {
        total += record.length;
        check(starts.appendU32(total));
    }
    checkPages(contents.smallPages, starts, mainText.size());
    checkPages(contents.largePages, starts, mainText.size());

    // The same input, the same date and random tag: the same bytes.
    std::string again;
    check(buildOnce(name, info, flags, again));
    check(again == book);
    return 0;
}
