// Fuzz target: arbitrary bytes are mapped like a source (mapSourceText), cut into text records as the book
// writer cuts them (findRecordBreak), and paginated. The scan must end, never read past the text, and leave
// page tables whose entries are in order and agree with the record start table.
#include "build/source_text.h"
#include "framework/diagnostics.h"
#include "markup/paginate_book.h"
#include "markup/text_positions.h"
#include "tdb/text_records.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

using namespace quillery;

int quiet(const Report&) {
    return 0;
}

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void checkPages(const PageTable& pages, const RecordBuffer& starts, size_t length) {
    uint32_t previous = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageEntry& page = pages[i];
        check(page.pageIndex == static_cast<uint16_t>(i));
        check(page.position <= length);
        // Only the last page may start at the very end of the text (the book reader refuses any other).
        check(page.position < length || i + 1 == pages.size());
        check(page.position >= previous);
        previous = page.position;
        RecordPlace place = recordPlaceOf(starts, page.position);
        check(page.record == place.record && page.offset == place.offset);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool installed = [] {
        setErrorHandler(quiet);
        setWarningHandler(quiet);
        setNoteHandler(quiet);
        return true;
    }();
    (void)installed;

    // An exact-size copy, so that AddressSanitizer sees any read past the text.
    uint32_t flags = size > 0 && (data[0] & 0x80) != 0 ? kFlagDictionary : 0;
    std::unique_ptr<char[]> bytes(new char[size == 0 ? 1 : size]);
    std::copy(data, data + size, bytes.get());
    size_t length = mapSourceText(bytes.get(), size);
    std::string_view text(bytes.get(), length);

    RecordBuffer starts(4);
    check(starts.appendU32(0));
    size_t done = 0;
    while (done < length) {
        size_t piece = std::min(kTextRecordSize, length - done);
        if (piece == kTextRecordSize && done + piece < length) {
            piece = findRecordBreak(text.substr(done));
        }
        done += piece;
        check(starts.appendU32(static_cast<uint32_t>(done)));
    }

    ReportTextScope scope(text);
    BookTables tables;
    (void)paginateBook(text, "/nonexistent-quillery-images", starts, tables, flags);
    checkPages(tables.smallPages, starts, length);
    checkPages(tables.largePages, starts, length);
    if (flags & kFlagDictionary) {
        check(tables.smallPages.empty() && tables.largePages.empty());
    } else {
        check(!tables.smallPages.empty() && !tables.largePages.empty());
    }
    for (const auto& chapter : tables.chapters) {
        check(chapter.position < std::max<size_t>(length, 1) && chapter.title.size() <= 80);
    }
    return 0;
}
