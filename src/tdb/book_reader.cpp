#include "tdb/book_reader.h"

#include "framework/byte_order.h"
#include "tdb/field_checks.h"
#include "tdb/png_stream_check.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quillery {
namespace {

const uint8_t* bytesOf(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

class BookReader : private FieldChecks {
  public:
    BookReader(std::string_view bytes, BookContents& book, std::string& error)
        : FieldChecks(error), bytes_(bytes), book_(book) {}

    bool read() {
        return readContainer() && readBookHeader() && readTextLengths() && readTextRecords() &&
               readPages(BookSection::SmallPages, book_.smallPageCount, book_.smallPages) &&
               readPages(BookSection::LargePages, book_.largePageCount, book_.largePages) &&
               readPositions(BookSection::Chapters, book_.chapters) &&
               readPositions(BookSection::Links, book_.links) && readImages() && readIndex() &&
               readMetadata() && readBlocks(BookSection::Sidebars, book_.sidebars) &&
               readBlocks(BookSection::Footnotes, book_.footnotes) && readMarker();
    }

  private:
    std::string_view record(size_t index) const {
        return bytes_.substr(book_.records[index].offset, book_.records[index].size);
    }
    const BookSectionPlace& place(BookSection section) const {
        return book_.sections[static_cast<size_t>(section)];
    }
    const char* sectionName(BookSection section) const {
        return kSectionNames[static_cast<size_t>(section)].data();
    }
    bool inflateRecord(size_t index, size_t expectedLength, uint32_t* length);
    bool checkTextPlace(uint16_t record, uint16_t offset, const char* what, size_t at);

    bool readContainer();
    bool readBookHeader();
    bool readTextLengths();
    bool readTextRecords();
    bool readPages(BookSection section, uint16_t count, std::vector<PageEntry>& pages);
    bool checkPageOrder(BookSection section, const std::vector<PageEntry>& pages, const PageEntry& page,
                        bool last);
    bool readPositions(BookSection section, std::vector<BookPositionEntry>& entries);
    bool readImages();
    bool readIndex();
    bool readMetadata();
    bool readBlocks(BookSection section, std::vector<BookBlock>& blocks);
    bool readMarker();

    std::string_view bytes_;
    BookContents& book_;
    std::vector<uint64_t> textStarts_; // 0, end of text record 1, ...
    std::vector<uint8_t> inflated_;
};

bool BookReader::readContainer() {
    if (bytes_.size() < kDatabaseHeaderSize) {
        return fail("the file is %zu bytes long, shorter than the %zu-byte database header", bytes_.size(),
                    kDatabaseHeaderSize);
    }
    if (!readNameField(bytes_.substr(kHeaderNameOffset, kDatabaseNameSize), book_.name,
                       "the database name")) {
        return false;
    }
    book_.type = bytes_.substr(kHeaderTypeOffset, kFourCharacterCodeSize);
    book_.creator = bytes_.substr(kHeaderCreatorOffset, kFourCharacterCodeSize);
    book_.creationTime = readU32BE(bytesOf(bytes_) + kHeaderCreationOffset);
    book_.modificationTime = readU32BE(bytesOf(bytes_) + kHeaderModificationOffset);
    if (book_.type != kBookType && book_.type != kDictionaryType) {
        return fail("the database type is not \"%s\" or \"%s\"", kBookType.data(), kDictionaryType.data());
    }
    if (book_.creator != kCreator) {
        return fail("the database creator is not \"%s\"", kCreator.data());
    }
    if (!expectU16(bytes_, kHeaderAttributesOffset, kDatabaseAttributes, "the database attributes") ||
        !expectU16(bytes_, kHeaderVersionOffset, 0, "the database version") ||
        !expectU32(bytes_, kHeaderModificationOffset, book_.creationTime + 1, "the modification date") ||
        !expectU32(bytes_, kHeaderBackupOffset, 0, "the last backup date") ||
        !expectU32(bytes_, kHeaderModificationNumberOffset, 0, "the modification number") ||
        !expectU32(bytes_, kHeaderAppInfoOffset, 0, "the application info offset") ||
        !expectU32(bytes_, kHeaderSortInfoOffset, 0, "the sort info offset") ||
        !expectU32(bytes_, kHeaderUniqueIdSeedOffset, 0, "the unique id seed") ||
        !expectU32(bytes_, kHeaderNextListOffset, 0, "the next record list")) {
        return false;
    }
    size_t count = readU16BE(bytesOf(bytes_) + kHeaderRecordCountOffset);
    if (count == 0) {
        return fail("the record count is 0");
    }
    uint64_t first = firstRecordOffset(count);
    if (bytes_.size() < first) {
        return fail("the record list of %zu records and its gap need %llu bytes, the file has %zu", count,
                    static_cast<unsigned long long>(first), bytes_.size());
    }
    if (!expectZeros(bytes_, first - kGapSize, first, "the gap after the record list")) {
        return false;
    }
    book_.records.resize(count);
    for (size_t index = 0; index < count; ++index) {
        const uint8_t* entry = bytesOf(bytes_) + kDatabaseHeaderSize + index * kRecordEntrySize;
        uint32_t offset = readU32BE(entry + kRecordEntryOffsetOffset);
        uint32_t id = readU32BE(entry + kRecordEntryIdOffset);
        if (id != kFirstUniqueId + index) {
            return fail("record %zu has attributes and unique id 0x%08X, expected 0x%08X", index, id,
                        static_cast<unsigned>(kFirstUniqueId + index));
        }
        uint64_t expectedMin = index == 0 ? first : book_.records[index - 1].offset;
        if ((index == 0 && offset != first) || offset < expectedMin || offset > bytes_.size()) {
            return fail("record %zu starts at offset %u, outside the records (%llu to %zu, after record %zu)",
                        index, offset, static_cast<unsigned long long>(expectedMin), bytes_.size(),
                        index == 0 ? size_t{0} : index - 1);
        }
        book_.records[index].offset = offset;
        if (index > 0) {
            book_.records[index - 1].size = offset - book_.records[index - 1].offset;
        }
    }
    book_.records.back().size = static_cast<uint32_t>(bytes_.size() - book_.records.back().offset);
    return true;
}

bool BookReader::readBookHeader() {
    if (book_.records[0].size != kBookHeaderSize) {
        return fail("record 0 (book header) is %u bytes, expected %zu", book_.records[0].size,
                    kBookHeaderSize);
    }
    std::string_view header = record(0);
    const uint8_t* bytes = bytesOf(header);
    if (!expectU16(header, kBookFormatOffset, kBookFormatCode, "the book format code") ||
        !expectZeros(header, kBookReservedOffset, kBookConstantOffset, "the book header") ||
        !expectU32(header, kBookConstantOffset, kBookHeaderConstant, "the book header constant") ||
        !expectZeros(header, kBookByte34Offset + 1, kBookByte34Offset + 2, "the book header") ||
        !expectZeros(header, kBookReservedBeforeTagOffset, kRandomTagOffset, "the book header") ||
        !expectZeros(header, kBookReservedTailOffset, kBookHeaderSize, "the book header")) {
        return false;
    }
    if (bytes[kBookByte34Offset] != kBookHeaderByte34) {
        return fail("the book header byte 34 is %u, expected %u", bytes[kBookByte34Offset],
                    kBookHeaderByte34);
    }
    book_.smallPageCount = readU16BE(bytes + kSmallPageCountOffset);
    book_.largePageCount = readU16BE(bytes + kLargePageCountOffset);
    book_.randomTag = readU32BE(bytes + kRandomTagOffset);
    if ((book_.randomTag & kRandomTagUnusedBits) != 0) {
        return fail("the random tag 0x%08X is not made of two 15-bit values", book_.randomTag);
    }
    size_t firstNonText = readU16BE(bytes + kFirstNonTextRecordOffset);
    if (firstNonText == 0) {
        return fail("the first non-text record is 0");
    }
    size_t next = firstNonText;
    for (size_t section = 0; section < kSectionCount; ++section) {
        BookSectionPlace& place = book_.sections[section];
        place.firstRecord = readU16BE(bytes + kSectionFields[section].firstRecordOffset);
        place.records = readU16BE(bytes + kSectionFields[section].countOffset);
        const char* name = kSectionNames[section].data();
        if (place.firstRecord != next) {
            return fail("the %s section starts at record %u, expected %zu", name, place.firstRecord, next);
        }
        next += place.records;
    }
    if (next + 1 != book_.records.size()) {
        return fail("the sections end at record %zu, but the book has %zu records (the marker must be last)",
                    next, book_.records.size());
    }
    auto pageRecords = [](size_t pages) {
        return (pages + kPageEntriesPerRecord - 1) / kPageEntriesPerRecord;
    };
    if (place(BookSection::SmallPages).records != pageRecords(book_.smallPageCount) ||
        place(BookSection::LargePages).records != pageRecords(book_.largePageCount)) {
        return fail("the page-table record counts (%u, %u) do not match the page counts (%u, %u)",
                    place(BookSection::SmallPages).records, place(BookSection::LargePages).records,
                    book_.smallPageCount, book_.largePageCount);
    }
    for (BookSection section : {BookSection::Metadata, BookSection::TextLengths}) {
        if (place(section).records != 1) {
            return fail("the %s section has %u records, expected 1", sectionName(section),
                        place(section).records);
        }
    }
    if (place(BookSection::Index).records == 1) {
        return fail("the index section has a directory record but no group records");
    }
    textStarts_.assign(1, 0);
    return true;
}

bool BookReader::readTextLengths() {
    size_t textRecords = book_.sections[0].firstRecord - 1;
    size_t index = place(BookSection::TextLengths).firstRecord;
    std::string_view lengths = record(index);
    if (lengths.size() != textRecords * kTextLengthEntrySize) {
        return fail("record %zu (text lengths) is %zu bytes, expected 2 for each of the %zu text records",
                    index, lengths.size(), textRecords);
    }
    book_.text.resize(textRecords);
    for (size_t k = 0; k < textRecords; ++k) {
        uint16_t length = readU16BE(bytesOf(lengths) + k * kTextLengthEntrySize);
        if (length == 0 || length > kTextRecordSize) {
            return fail("record %zu (text lengths) gives text record %zu a length of %u (1 to %zu allowed)",
                        index, k + 1, length, kTextRecordSize);
        }
        book_.text[k].length = length;
        book_.text[k].compressedSize = book_.records[k + 1].size;
        textStarts_.push_back(textStarts_.back() + length);
    }
    return true;
}

// A text record is one complete zlib stream that inflates to at most kTextRecordSize bytes (to
// `expectedLength` when that is not 0) and ends exactly at the end of the record.
bool BookReader::inflateRecord(size_t index, size_t expectedLength, uint32_t* length) {
    std::string_view compressed = record(index);
    inflated_.resize(kTextRecordSize + 1);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return fail("record %zu: the inflater could not be started", index);
    }
    stream.next_in = const_cast<Bytef*>(bytesOf(compressed));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = inflated_.data();
    stream.avail_out = static_cast<uInt>(inflated_.size());
    int result = inflate(&stream, Z_FINISH);
    size_t produced = stream.total_out;
    size_t left = stream.avail_in;
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        return fail("record %zu (text) is not a complete zlib stream of at most %zu bytes of text", index,
                    kTextRecordSize);
    }
    if (left != 0) {
        return fail("record %zu (text) has %zu bytes after its zlib stream", index, left);
    }
    if (produced > kTextRecordSize) {
        return fail("record %zu (text) inflates to more than %zu bytes", index, kTextRecordSize);
    }
    if (produced == 0 || (expectedLength != 0 && produced != expectedLength)) {
        return fail("record %zu (text) inflates to %zu bytes, expected %zu", index, produced, expectedLength);
    }
    *length = static_cast<uint32_t>(produced);
    return true;
}

bool BookReader::readTextRecords() {
    for (size_t k = 0; k < book_.text.size(); ++k) {
        uint32_t length = 0;
        if (!inflateRecord(k + 1, book_.text[k].length, &length)) {
            return false;
        }
        book_.mainText.append(reinterpret_cast<const char*>(inflated_.data()), length);
    }
    return true;
}

// A text record number and an offset within it. A book without text still places its first page at
// record 1, offset 0.
bool BookReader::checkTextPlace(uint16_t record, uint16_t offset, const char* what, size_t at) {
    size_t textRecords = book_.text.size();
    if (record == 0 || record > std::max<size_t>(textRecords, 1)) {
        return fail("%s %zu names text record %u of %zu", what, at, record, textRecords);
    }
    uint64_t length = textRecords == 0 ? 0 : book_.text[record - 1].length;
    if (offset > length) {
        return fail("%s %zu has offset %u in text record %u of %llu bytes", what, at, offset, record,
                    static_cast<unsigned long long>(length));
    }
    return true;
}

bool BookReader::readPages(BookSection section, uint16_t count, std::vector<PageEntry>& pages) {
    const BookSectionPlace& where = place(section);
    pages.reserve(count);
    for (size_t r = 0; r < where.records; ++r) {
        size_t index = where.firstRecord + r;
        std::string_view bytes = record(index);
        size_t entries = std::min<size_t>(kPageEntriesPerRecord, count - r * kPageEntriesPerRecord);
        if (bytes.size() != entries * kPageEntrySize) {
            return fail("record %zu (%s) is %zu bytes, expected %zu", index, sectionName(section),
                        bytes.size(), entries * kPageEntrySize);
        }
        for (size_t e = 0; e < entries; ++e) {
            const uint8_t* entry = bytesOf(bytes) + e * kPageEntrySize;
            PageEntry page{
                readU16BE(entry + kPageEntryIndexOffset), readU16BE(entry + kPageEntryRecordOffset),
                readU16BE(entry + kPageEntryInRecordOffset), readU32BE(entry + kPageEntryPositionOffset),
                readU16BE(entry + kPageEntryStyleOffset)};
            size_t number = pages.size();
            if (page.pageIndex != number) {
                return fail("%s entry %zu has page index %u", sectionName(section), number, page.pageIndex);
            }
            if (!checkTextPlace(page.record, page.offset, "page", number)) {
                return false;
            }
            if (page.position !=
                textStarts_[std::min<size_t>(page.record - 1, book_.text.size())] + page.offset) {
                return fail(
                    "page %zu of the %s has position %u, but text record %u offset %u is position %llu",
                    number, sectionName(section), page.position, page.record, page.offset,
                    static_cast<unsigned long long>(textStarts_[page.record - 1] + page.offset));
            }
            if (!checkPageOrder(section, pages, page, number + 1 == count)) {
                return false;
            }
            pages.push_back(page);
        }
    }
    return true;
}

// Pages start at 0, never go back and stay within the text (only the last may start at its very end), and
// each names its place as the writer does: a page at a record boundary is at the end of the earlier record.
bool BookReader::checkPageOrder(BookSection section, const std::vector<PageEntry>& pages,
                                const PageEntry& page, bool last) {
    size_t number = pages.size();
    uint64_t textLength = textStarts_.back();
    if (number == 0 && page.position != 0) {
        return fail("page 0 of the %s starts at position %u, not at the start of the text",
                    sectionName(section), page.position);
    }
    if (number > 0 && page.position < pages.back().position) {
        return fail("page %zu of the %s starts at position %u, before page %zu at %u", number,
                    sectionName(section), page.position, number - 1, pages.back().position);
    }
    if (page.position > textLength || (page.position == textLength && textLength != 0 && !last)) {
        return fail("page %zu of the %s starts at position %u, %s the end of the text (%llu)", number,
                    sectionName(section), page.position, page.position > textLength ? "past" : "at",
                    static_cast<unsigned long long>(textLength));
    }
    // The first record whose end is at or after the position (record 1 for position 0 and the empty text).
    size_t record = 1;
    if (book_.text.size() > 1) {
        record =
            static_cast<size_t>(std::lower_bound(textStarts_.begin() + 1, textStarts_.end(), page.position) -
                                textStarts_.begin());
    }
    uint64_t offset = page.position - textStarts_[record - 1];
    if (page.record != record || page.offset != offset) {
        return fail("page %zu of the %s at position %u is given as text record %u offset %u, expected text "
                    "record %zu offset %llu",
                    number, sectionName(section), page.position, page.record, page.offset, record,
                    static_cast<unsigned long long>(offset));
    }
    return true;
}

bool BookReader::readPositions(BookSection section, std::vector<BookPositionEntry>& entries) {
    const BookSectionPlace& where = place(section);
    for (size_t index = where.firstRecord; index < size_t{where.firstRecord} + where.records; ++index) {
        std::string_view bytes = record(index);
        if (bytes.size() < kPositionRecordOverhead) {
            return fail("record %zu (%s) is %zu bytes, shorter than %zu", index, sectionName(section),
                        bytes.size(), kPositionRecordOverhead);
        }
        std::string_view name =
            bytes.substr(kPositionRecordNameOffset, bytes.size() - kPositionRecordOverhead);
        if (bytes.back() != '\0' || name.find('\0') != std::string_view::npos) {
            return fail("record %zu (%s) does not end at its name's only NUL", index, sectionName(section));
        }
        uint32_t position = readU32BE(bytesOf(bytes));
        bool undefinedLink = section == BookSection::Links && position == kUndefinedLinkPosition;
        if (!undefinedLink && position > textStarts_.back()) {
            return fail("record %zu (%s) has position %u past the end of the text (%llu)", index,
                        sectionName(section), position, static_cast<unsigned long long>(textStarts_.back()));
        }
        entries.push_back({position, std::string(name)});
    }
    return true;
}

bool BookReader::readImages() {
    const BookSectionPlace& where = place(BookSection::Images);
    for (size_t index = where.firstRecord; index < size_t{where.firstRecord} + where.records; ++index) {
        std::string_view bytes = record(index);
        if (bytes.size() < kImageRecordHeaderSize + kPngHeaderBytes) {
            return fail("record %zu (image) is %zu bytes, too short for its header and a PNG stream", index,
                        bytes.size());
        }
        BookImage image;
        image.dataSize = static_cast<uint32_t>(bytes.size() - kImageRecordHeaderSize);
        image.width = readU16BE(bytesOf(bytes) + kImageWidthOffset);
        image.height = readU16BE(bytesOf(bytes) + kImageHeightOffset);
        char label[48];
        std::snprintf(label, sizeof label, "record %zu (image)", index);
        if (bytes.substr(kImageTypeOffset, kImageRecordType.size()) != kImageRecordType) {
            return fail("%s does not start with \"PNG \"", label);
        }
        if (!readNameField(bytes.substr(kImageNameOffset, kImageNameSize), image.name, label) ||
            !expectZeros(bytes, kImageReservedOffset, kImageReservedOffset + kImageReservedSize, label)) {
            return false;
        }
        if (image.name.empty()) {
            return fail("%s has an empty name", label);
        }
        if (image.dataSize > kMaxImageDataSize) {
            return fail("%s holds %u bytes of PNG data, more than %zu", label, image.dataSize,
                        kMaxImageDataSize);
        }
        std::string problem =
            checkPngStream(bytes.substr(kImageRecordHeaderSize), image.width, image.height, image.chunkTypes);
        if (!problem.empty()) {
            return fail("%s %s", label, problem.c_str());
        }
        book_.images.push_back(std::move(image));
    }
    return true;
}

bool BookReader::readIndex() {
    const BookSectionPlace& where = place(BookSection::Index);
    if (where.records == 0) {
        return true;
    }
    size_t groups = where.records - 1;
    std::string_view directory = record(where.firstRecord);
    while (!directory.empty()) {
        size_t end = directory.find('\0');
        if (end == std::string_view::npos) {
            return fail("record %u (index directory) ends inside a name", where.firstRecord);
        }
        book_.index.push_back({std::string(directory.substr(0, end)), {}});
        directory.remove_prefix(end + 1);
    }
    if (book_.index.size() != groups) {
        return fail("record %u (index directory) names %zu groups, the section has %zu", where.firstRecord,
                    book_.index.size(), groups);
    }
    for (size_t g = 0; g < groups; ++g) {
        size_t index = where.firstRecord + 1 + g;
        std::string_view bytes = record(index);
        size_t total = 0;
        size_t lastEntrySize = 0;
        BookIndexGroup& group = book_.index[g];
        while (!bytes.empty()) {
            size_t end = bytes.size() < kIndexEntryTextOffset ? std::string_view::npos
                                                              : bytes.find('\0', kIndexEntryTextOffset);
            if (end == std::string_view::npos) {
                return fail("record %zu (index group) ends inside an entry", index);
            }
            BookIndexEntry entry{
                readU16BE(bytesOf(bytes) + kIndexEntryRecordOffset),
                readU16BE(bytesOf(bytes) + kIndexEntryInRecordOffset),
                std::string(bytes.substr(kIndexEntryTextOffset, end - kIndexEntryTextOffset))};
            if (entry.text.empty() || entry.text.size() > kMaxTitleLength) {
                return fail("record %zu (index group) has an entry of %zu bytes (1 to %zu allowed)", index,
                            entry.text.size(), kMaxTitleLength);
            }
            if (!checkTextPlace(entry.record, entry.offset, "index entry", group.entries.size())) {
                return false;
            }
            lastEntrySize = end + 1;
            total += lastEntrySize;
            group.entries.push_back(std::move(entry));
            bytes.remove_prefix(end + 1);
        }
        if (group.entries.empty() || group.entries.front().text != group.name) {
            return fail("record %zu (index group) does not start with the entry its directory names", index);
        }
        bool last = g + 1 == groups;
        if (total - lastEntrySize > kIndexGroupLimit || (!last && total <= kIndexGroupLimit)) {
            return fail("record %zu (index group) is %zu bytes, not closed where its total passes %zu", index,
                        total, kIndexGroupLimit);
        }
    }
    return true;
}

bool BookReader::readMetadata() {
    size_t index = place(BookSection::Metadata).firstRecord;
    std::string_view bytes = record(index);
    for (std::string& field : book_.metadata) {
        size_t end = bytes.find('\0');
        if (end == std::string_view::npos) {
            return fail("record %zu (metadata) holds fewer than %zu terminated strings", index,
                        kMetadataStringCount);
        }
        field = bytes.substr(0, end);
        bytes.remove_prefix(end + 1);
    }
    if (!bytes.empty()) {
        return fail("record %zu (metadata) has %zu bytes after its %zu strings", index, bytes.size(),
                    kMetadataStringCount);
    }
    return true;
}

bool BookReader::readBlocks(BookSection section, std::vector<BookBlock>& blocks) {
    const BookSectionPlace& where = place(section);
    if (where.records == 0) {
        return true;
    }
    std::string_view directory = record(where.firstRecord);
    size_t records = 0;
    while (!directory.empty()) {
        if (directory.size() < kBlockEntryNameOffset ||
            directory.size() <
                kBlockDirectoryEntryOverhead + uint8_t(directory[kBlockEntryNameLengthOffset]) ||
            directory[kBlockEntryNameOffset + uint8_t(directory[kBlockEntryNameLengthOffset])] != '\0') {
            return fail("record %u (%s directory) ends inside an entry", where.firstRecord,
                        sectionName(section));
        }
        size_t length = uint8_t(directory[kBlockEntryNameLengthOffset]);
        BookBlock block;
        block.name = directory.substr(kBlockEntryNameOffset, length);
        block.records.resize(readU16BE(bytesOf(directory) + kBlockEntryRecordsOffset));
        if (block.name.find('\0') != std::string::npos) {
            return fail("record %u (%s directory) has a name with a NUL inside", where.firstRecord,
                        sectionName(section));
        }
        records += block.records.size();
        blocks.push_back(std::move(block));
        directory.remove_prefix(length + kBlockDirectoryEntryOverhead);
    }
    if (blocks.empty() || records + 1 != where.records) {
        return fail(
            "record %u (%s directory) accounts for %zu text records in %zu entries, the section has %u",
            where.firstRecord, sectionName(section), records, blocks.size(), where.records - 1);
    }
    size_t index = where.firstRecord + 1;
    for (BookBlock& block : blocks) {
        for (BookTextRecord& text : block.records) {
            text.compressedSize = book_.records[index].size;
            if (!inflateRecord(index, 0, &text.length)) {
                return false;
            }
            block.text.append(reinterpret_cast<const char*>(inflated_.data()), text.length);
            ++index;
        }
    }
    return true;
}

bool BookReader::readMarker() {
    size_t index = book_.records.size() - 1;
    if (record(index) != kMarkerRecord) {
        return fail("record %zu is not the marker \"MeTaInFo\" and a NUL", index);
    }
    return true;
}

} // namespace

uint64_t BookContents::textLength() const {
    uint64_t total = 0;
    for (const BookTextRecord& record : text) {
        total += record.length;
    }
    return total;
}

bool readBook(std::string_view bytes, BookContents& book, std::string& error) {
    book = BookContents{};
    BookReader reader(bytes, book, error);
    return reader.read();
}

} // namespace quillery
