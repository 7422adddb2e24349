#include "cli/inspect_command.h"

#include "cli/diagnostic_printer.h"
#include "cli/page_preview.h"
#include "framework/file_service.h"
#include "framework/windows1252.h"

#include <algorithm>
#include <cstdarg>
#include <ctime>

namespace quillery::cli {
namespace {

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char buffer[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

// A book string in double quotes for a terminal: control bytes (the five undefined code page bytes included,
// which stand for C1 controls) become \xNN, so that no byte of a book can drive the terminal.
std::string quoted(std::string_view bytes) {
    std::string out = "\"";
    for (char c : bytes) {
        auto byte = static_cast<uint8_t>(c);
        bool control = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
                       byte == 0x90 || byte == 0x9D;
        if (control) {
            out += format("\\x%02X", byte);
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += windows1252ToUtf8(std::string_view(&c, 1));
        }
    }
    return out + "\"";
}

std::string json(std::string_view bytes) {
    return jsonString(windows1252ToUtf8(bytes));
}

std::string utcDate(uint32_t seconds) {
    std::time_t time = seconds;
    std::tm parts{};
    if (gmtime_r(&time, &parts) == nullptr) {
        return "?";
    }
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

// What a record holds, for the record list.
std::string recordKind(const BookContents& book, size_t index) {
    if (index == 0) {
        return "book header";
    }
    if (index <= book.text.size()) {
        return format("text %zu", index);
    }
    if (index + 1 == book.records.size()) {
        return "marker";
    }
    for (size_t section = 0; section < kSectionCount; ++section) {
        const BookSectionPlace& place = book.sections[section];
        if (index >= place.firstRecord && index < size_t{place.firstRecord} + place.records) {
            std::string name(kSectionNames[section]);
            size_t nth = index - place.firstRecord;
            auto kind = static_cast<BookSection>(section);
            bool hasDirectory =
                kind == BookSection::Index || kind == BookSection::Sidebars || kind == BookSection::Footnotes;
            if (hasDirectory && nth == 0) {
                return name + " directory";
            }
            return name + format(" %zu", hasDirectory ? nth : nth + 1);
        }
    }
    return "?";
}

std::string blockText(const char* title, const std::vector<BookBlock>& blocks) {
    std::string out = format("%s: %zu\n", title, blocks.size());
    for (const BookBlock& block : blocks) {
        out += "  " + quoted(block.name) + format(": %zu records", block.records.size());
        for (const BookTextRecord& record : block.records) {
            out += format(" %u->%u", record.compressedSize, record.length);
        }
        out += "\n";
    }
    return out;
}

std::string blockJson(const std::vector<BookBlock>& blocks) {
    std::string out = "[";
    for (size_t i = 0; i < blocks.size(); ++i) {
        out += (i ? ", " : "") + std::string("{\"name\": ") + json(blocks[i].name) + ", \"records\": [";
        for (size_t r = 0; r < blocks[i].records.size(); ++r) {
            out += format("%s{\"compressed\": %u, \"length\": %u}", r ? ", " : "",
                          blocks[i].records[r].compressedSize, blocks[i].records[r].length);
        }
        out += "], \"text\": " + json(blocks[i].text) + "}";
    }
    return out + "]";
}

std::string pagesJson(const std::vector<PageEntry>& pages) {
    std::string out = "[";
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageEntry& page = pages[i];
        out += format("%s{\"page\": %u, \"record\": %u, \"offset\": %u, \"position\": %u, \"style\": %u}",
                      i ? ", " : "", page.pageIndex, page.record, page.offset, page.position, page.style);
    }
    return out + "]";
}

std::string positionsJson(const std::vector<BookPositionEntry>& entries, const char* nameKey) {
    std::string out = "[";
    for (size_t i = 0; i < entries.size(); ++i) {
        out += format("%s{\"position\": %u, \"%s\": ", i ? ", " : "", entries[i].position, nameKey) +
               json(entries[i].name) + "}";
    }
    return out + "]";
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    FileService file(path);
    uint64_t size = 0;
    if (file.open(FileService::Mode::Read) != 0 || file.size(&size) != 0) {
        error = "cannot be opened (not a readable regular file)";
        return false;
    }
    if (size > kMaxBookSize) {
        error = "not a well-formed book: larger than 4 GiB";
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    size_t done = 0;
    if (file.read(bytes.data(), bytes.size(), &done) != 0 || done != bytes.size()) {
        error = "could not be read";
        return false;
    }
    return true;
}

bool samePages(const PageTable& a, const PageTable& b) {
    auto same = [](const PageEntry& x, const PageEntry& y) {
        return x.pageIndex == y.pageIndex && x.record == y.record && x.offset == y.offset &&
               x.position == y.position && x.style == y.style;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
}

// The pages of one font as the layout of the book's text gives them, written page by page.
void showPages(const std::string& path, const BookContents& book, const InspectView& view, FILE* out,
               FILE* err) {
    ReaderView pages(readerViewInputOf(book), view.font);
    const PageTable& stored = view.font == PreviewFont::Small ? book.smallPages : book.largePages;
    if (!samePages(stored, pages.pages())) {
        std::fprintf(err,
                     "quillery-cli: %s: the book's page table of the %s font differs from the layout of its "
                     "text; the pages shown are the layout's\n",
                     path.c_str(), view.font == PreviewFont::Small ? "small" : "large");
    }
    auto write = [out](std::string_view piece) { std::fwrite(piece.data(), 1, piece.size(), out); };
    if (view.json) {
        writePagesJson(pages, book.mainText, write);
    } else {
        writePagesText(pages, book.type == kDictionaryType, write);
    }
}

} // namespace

std::string formatInspectText(const BookContents& book, uint64_t fileSize) {
    std::string out;
    out += format("Database header (%llu bytes in the file)\n", static_cast<unsigned long long>(fileSize));
    out += "  name:          " + quoted(book.name) + "\n";
    out +=
        "  type:          " + quoted(book.type) + (book.type == kDictionaryType ? " (dictionary)\n" : "\n");
    out += "  creator:       " + quoted(book.creator) + "\n";
    out += format("  created:       %u (%s)\n", book.creationTime, utcDate(book.creationTime).c_str());
    out +=
        format("  modified:      %u (%s)\n", book.modificationTime, utcDate(book.modificationTime).c_str());
    out += format("  records:       %zu\n", book.records.size());
    out += format("  random tag:    0x%08X\n", book.randomTag);

    out += "Records\n       #     offset      size  kind\n";
    for (size_t i = 0; i < book.records.size(); ++i) {
        out += format("  %6zu %10u %9u  ", i, book.records[i].offset, book.records[i].size) +
               recordKind(book, i) + "\n";
    }

    out += "Sections               first  records\n";
    for (size_t section = 0; section < kSectionCount; ++section) {
        out += format("  %-20s %6u %8u\n", kSectionNames[section].data(), book.sections[section].firstRecord,
                      book.sections[section].records);
    }

    out += format("Pages: %u in the small font, %u in the large font\n", book.smallPageCount,
                  book.largePageCount);
    uint64_t compressed = 0;
    for (const BookTextRecord& record : book.text) {
        compressed += record.compressedSize;
    }
    out += format("Text: %zu records, %llu bytes, %llu compressed\n", book.text.size(),
                  static_cast<unsigned long long>(book.textLength()),
                  static_cast<unsigned long long>(compressed));
    for (size_t k = 0; k < book.text.size(); ++k) {
        out +=
            format("  text %zu: %u -> %u bytes\n", k + 1, book.text[k].compressedSize, book.text[k].length);
    }

    out += format("Chapters: %zu\n", book.chapters.size());
    for (const BookPositionEntry& chapter : book.chapters) {
        out += format("  %10u  ", chapter.position) + quoted(chapter.name) + "\n";
    }
    out += format("Links: %zu\n", book.links.size());
    for (const BookPositionEntry& link : book.links) {
        out += (link.position == kUndefinedLinkPosition ? std::string("   undefined")
                                                        : format("  %10u", link.position)) +
               "  " + quoted(link.name) + "\n";
    }
    out += format("Images: %zu\n", book.images.size());
    for (const BookImage& image : book.images) {
        out += "  " + quoted(image.name) +
               format(" %ux%u, %u bytes of PNG:", image.width, image.height, image.dataSize);
        for (const std::string& type : image.chunkTypes) {
            out += " " + type;
        }
        out += "\n";
    }
    out += format("Index groups: %zu\n", book.index.size());
    for (const BookIndexGroup& group : book.index) {
        out += "  " + quoted(group.name) + format(": %zu entries\n", group.entries.size());
        for (const BookIndexEntry& entry : group.entries) {
            out += format("    %5u:%-5u  ", entry.record, entry.offset) + quoted(entry.text) + "\n";
        }
    }
    out += "Metadata\n";
    for (size_t i = 0; i < kMetadataStringCount; ++i) {
        out += format("  %-10s ", (std::string(kMetadataNames[i]) + ":").c_str()) + quoted(book.metadata[i]) +
               "\n";
    }
    out += blockText("Sidebars", book.sidebars);
    out += blockText("Footnotes", book.footnotes);
    return out;
}

std::string formatInspectJson(const BookContents& book, uint64_t fileSize) {
    std::string out = "{\n";
    out += format("  \"fileSize\": %llu,\n", static_cast<unsigned long long>(fileSize));
    out += "  \"header\": {\"name\": " + json(book.name) + ", \"type\": " + json(book.type) +
           ", \"creator\": " + json(book.creator) +
           format(", \"created\": %u, \"modified\": %u, \"recordCount\": %zu, \"randomTag\": %u},\n",
                  book.creationTime, book.modificationTime, book.records.size(), book.randomTag);
    out += "  \"records\": [";
    for (size_t i = 0; i < book.records.size(); ++i) {
        out += format("%s{\"offset\": %u, \"size\": %u, \"kind\": ", i ? ", " : "", book.records[i].offset,
                      book.records[i].size) +
               json(recordKind(book, i)) + "}";
    }
    out += "],\n  \"sections\": {";
    for (size_t section = 0; section < kSectionCount; ++section) {
        out += (section ? ", " : "") + json(kSectionNames[section]) +
               format(": {\"firstRecord\": %u, \"records\": %u}", book.sections[section].firstRecord,
                      book.sections[section].records);
    }
    out += "},\n";
    out += format("  \"pageCounts\": {\"small\": %u, \"large\": %u},\n", book.smallPageCount,
                  book.largePageCount);
    out += "  \"textRecords\": [";
    for (size_t k = 0; k < book.text.size(); ++k) {
        out += format("%s{\"compressed\": %u, \"length\": %u}", k ? ", " : "", book.text[k].compressedSize,
                      book.text[k].length);
    }
    out += "],\n  \"smallPages\": " + pagesJson(book.smallPages) + ",\n";
    out += "  \"largePages\": " + pagesJson(book.largePages) + ",\n";
    out += "  \"chapters\": " + positionsJson(book.chapters, "title") + ",\n";
    out += "  \"links\": " + positionsJson(book.links, "name") + ",\n";
    out += "  \"images\": [";
    for (size_t i = 0; i < book.images.size(); ++i) {
        const BookImage& image = book.images[i];
        out += std::string(i ? ", " : "") + "{\"name\": " + json(image.name) +
               format(", \"width\": %u, \"height\": %u, \"dataSize\": %u, \"chunks\": [", image.width,
                      image.height, image.dataSize);
        for (size_t c = 0; c < image.chunkTypes.size(); ++c) {
            out += (c ? ", " : "") + json(image.chunkTypes[c]);
        }
        out += "]}";
    }
    out += "],\n  \"index\": [";
    for (size_t g = 0; g < book.index.size(); ++g) {
        out += std::string(g ? ", " : "") + "{\"name\": " + json(book.index[g].name) + ", \"entries\": [";
        const auto& entries = book.index[g].entries;
        for (size_t e = 0; e < entries.size(); ++e) {
            out += format("%s{\"record\": %u, \"offset\": %u, \"text\": ", e ? ", " : "", entries[e].record,
                          entries[e].offset) +
                   json(entries[e].text) + "}";
        }
        out += "]}";
    }
    out += "],\n  \"metadata\": {";
    for (size_t i = 0; i < kMetadataStringCount; ++i) {
        out += (i ? ", " : "") + json(kMetadataNames[i]) + ": " + json(book.metadata[i]);
    }
    out += "},\n";
    out += "  \"sidebars\": " + blockJson(book.sidebars) + ",\n";
    out += "  \"footnotes\": " + blockJson(book.footnotes) + "\n}\n";
    return out;
}

int runInspect(const std::string& path, const InspectView& view, FILE* out, FILE* err) {
    std::string bytes;
    std::string error;
    BookContents book;
    if (!readWholeFile(path, bytes, error)) {
        std::fprintf(err, "quillery-cli: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    if (!readBook(bytes, book, error)) {
        std::fprintf(err, "quillery-cli: %s: not a well-formed book: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    if (view.pages) {
        std::string().swap(bytes); // the inflated text is all the pages need
        showPages(path, book, view, out, err);
        return 0;
    }
    std::string text =
        view.json ? formatInspectJson(book, bytes.size()) : formatInspectText(book, bytes.size());
    std::fwrite(text.data(), 1, text.size(), out);
    return 0;
}

} // namespace quillery::cli
