#include "tdb/book_writer.h"

#include "framework/byte_order.h"
#include "framework/diagnostics.h"
#include "framework/interrupt_cleanup.h"
#include "tdb/book_container.h"
#include "tdb/book_format.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace quillery {
namespace {

// Strings of the tables are terminated strings in the book: a NUL byte ends them.
std::string_view untilNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view imageName(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Bytes of one index group record, by the grouping rule: from its first entry up to and including the entry
// that carries the total past the limit, or to the end of the list.
size_t indexGroupEnd(const IndexTable& index, size_t first, size_t* byteSize) {
    size_t total = 0;
    size_t at = first;
    while (at < index.entries.size()) {
        total += untilNul(index.textOf(index.entries[at])).size() + kIndexEntryOverhead;
        ++at;
        if (total > kIndexGroupLimit) {
            break;
        }
    }
    *byteSize = total;
    return at;
}

// How many records of a sidebar or footnote section: none without references, else the directory record and
// the text records of the size table (whose leading 0 stands for the directory).
size_t blockSectionRecords(const RefTable& references, const RecordBuffer& recordSizes) {
    return references.empty() ? 0 : std::max<size_t>(recordSizes.count(), 1);
}

// Every record's size and every section's place, worked out before the first byte is written.
struct BookPlan {
    size_t textRecords = 0;
    std::array<size_t, kSectionCount> sectionRecords{};
    std::array<size_t, kSectionCount> firstRecord{};
    std::vector<uint32_t> recordSizes;
    uint64_t sidebarTextBytes = 0;
    uint64_t footnoteTextBytes = 0;
};

class BookWriter {
  public:
    BookWriter(const BookWriterInput& input, FileSystem& files)
        : in_(input), tables_(*input.tables), files_(files) {}
    Verdict run();

  private:
    std::string buildMetadata();
    bool checkTables();
    bool planRecords();
    void appendSizes(const RecordBuffer& sizes, uint64_t* total);
    std::vector<uint8_t> bookHeaderRecord();
    bool writeRecords();
    bool writeSection(BookSection section);
    bool writeBlockSection(const RefTable& references, FileService* temp, uint64_t textBytes);
    bool copyFile(FileService* file, uint64_t bytes);
    bool createBook();
    bool publishBook();
    void discardBook();
    bool put(const void* bytes, size_t length);
    bool put(const RecordBuffer& buffer) { return put(buffer.data(), buffer.byteLength()); }
    bool flush();
    void inconsistent(const char* what);

    const BookWriterInput& in_;
    const BookTables& tables_;
    FileSystem& files_;
    std::unique_ptr<FileService> out_; // the book under its hidden name until it is complete
    std::string metadata_;
    BookPlan plan_;
    RecordBuffer record_{1, 64000, 2000};
    std::vector<uint8_t> pending_;
    uint64_t written_ = 0;
    bool reported_ = false; // the failure has been reported already
};

std::string BookWriter::buildMetadata() {
    const BookInfo& info = *in_.info;
    std::string record;
    for (const WideString* field :
         {&info.title, &info.author, &info.copyright, &info.publisher, &info.isbn}) {
        std::string text(untilNul(field->toAnsi()));
        if (text.size() > kMetadataWarningLength) {
            reportWarning("The string \"%s\" is longer than %d characters; is this necessary?", text.c_str(),
                          static_cast<int>(kMetadataWarningLength));
        }
        record += text;
        record += '\0';
    }
    return record;
}

void BookWriter::inconsistent(const char* what) {
    reported_ = true;
    reportError("The book could not be written: %s. No output file generated.", what);
}

// What the book format cannot hold, and what the earlier stages should never hand over.
bool BookWriter::checkTables() {
    bool ok = true;
    // Pages past the limit were only counted.
    const std::pair<size_t, const char*> fonts[] = {
        {tables_.smallPages.size() + tables_.smallPagesNotKept, "small"},
        {tables_.largePages.size() + tables_.largePagesNotKept, "large"}};
    for (const auto& [pages, font] : fonts) {
        if (pages > kMaxPageEntries) {
            reportError(
                "The book has %zu pages in the %s font, more than the %zu a book can hold. No output file "
                "generated.",
                pages, font, kMaxPageEntries);
            ok = false;
        }
    }
    for (const ImageEntry& image : tables_.images.entries) {
        std::string name(imageName(image.path));
        if (name.size() > kMaxImageNameLength) {
            reportError(kImageNameTooLongMessage, name.c_str());
            ok = false;
        } else if (image.dataSize == 0) {
            inconsistent("an image has no converted data");
            ok = false;
        } else if (uint64_t{image.dataOffset} + image.dataSize > tables_.images.streams.length()) {
            inconsistent("an image's data lies outside the image data");
            ok = false;
        }
    }
    for (const IndexGroup& group : tables_.index.groups) {
        if (group.firstEntry >= tables_.index.entries.size()) {
            inconsistent("an index group starts past the last index entry");
            ok = false;
            break;
        }
    }
    for (const RefTable* references : {&tables_.sidebars, &tables_.footnotes}) {
        for (const RefEntry& reference : *references) {
            if (untilNul(reference.name).size() > kMaxBlockNameLength) {
                inconsistent("a sidebar or footnote name is longer than 255 bytes");
                return false;
            }
        }
    }
    size_t sidebarRecords = 0;
    for (const RefEntry& reference : tables_.sidebars) {
        sidebarRecords += reference.recordCount;
    }
    size_t footnoteRecords = 0;
    for (const RefEntry& reference : tables_.footnotes) {
        footnoteRecords += reference.recordCount;
    }
    if ((!tables_.sidebars.empty() &&
         sidebarRecords + 1 != blockSectionRecords(tables_.sidebars, *in_.sidebarRecordSizes)) ||
        (!tables_.footnotes.empty() &&
         footnoteRecords + 1 != blockSectionRecords(tables_.footnotes, *in_.footnoteRecordSizes))) {
        inconsistent("the sidebar or footnote record counts do not match their records");
        ok = false;
    }
    size_t sizes = in_.textRecordSizes->count();
    if (sizes > 1 && in_.textRecordStarts->count() != sizes) {
        inconsistent("the text record tables differ in length");
        ok = false;
    }
    return ok;
}

void BookWriter::appendSizes(const RecordBuffer& sizes, uint64_t* total) {
    for (size_t i = 1; i < sizes.count(); ++i) {
        plan_.recordSizes.push_back(sizes.u32At(i));
        if (total) {
            *total += sizes.u32At(i);
        }
    }
}

bool BookWriter::planRecords() {
    std::vector<uint32_t>& sizes = plan_.recordSizes;
    sizes.push_back(kBookHeaderSize);
    plan_.textRecords = in_.textRecordSizes->count() > 0 ? in_.textRecordSizes->count() - 1 : 0;
    appendSizes(*in_.textRecordSizes, nullptr);

    size_t next = plan_.textRecords + 1;
    for (size_t section = 0; section < kSectionCount; ++section) {
        size_t before = sizes.size();
        switch (static_cast<BookSection>(section)) {
        case BookSection::SmallPages:
        case BookSection::LargePages: {
            const PageTable& pages = static_cast<BookSection>(section) == BookSection::SmallPages
                                         ? tables_.smallPages
                                         : tables_.largePages;
            for (size_t first = 0; first < pages.size(); first += kPageEntriesPerRecord) {
                size_t entries = std::min(kPageEntriesPerRecord, pages.size() - first);
                sizes.push_back(static_cast<uint32_t>(entries * kPageEntrySize));
            }
            break;
        }
        case BookSection::Chapters:
            for (const ChapterEntry& chapter : tables_.chapters) {
                sizes.push_back(
                    static_cast<uint32_t>(untilNul(chapter.title).size() + kPositionRecordOverhead));
            }
            break;
        case BookSection::Links:
            for (const LinkEntry& link : tables_.links) {
                sizes.push_back(static_cast<uint32_t>(untilNul(link.name).size() + kPositionRecordOverhead));
            }
            break;
        case BookSection::Images:
            for (const ImageEntry& image : tables_.images.entries) {
                sizes.push_back(static_cast<uint32_t>(kImageRecordHeaderSize + image.dataSize));
            }
            break;
        case BookSection::Index:
            if (!tables_.index.groups.empty()) {
                size_t directory = 0;
                for (const IndexGroup& group : tables_.index.groups) {
                    directory += untilNul(group.name).size() + 1;
                }
                sizes.push_back(static_cast<uint32_t>(directory));
                for (const IndexGroup& group : tables_.index.groups) {
                    size_t bytes = 0;
                    indexGroupEnd(tables_.index, group.firstEntry, &bytes);
                    sizes.push_back(static_cast<uint32_t>(bytes));
                }
            }
            break;
        case BookSection::Metadata:
            sizes.push_back(static_cast<uint32_t>(metadata_.size()));
            break;
        case BookSection::Sidebars:
        case BookSection::Footnotes: {
            bool sidebars = static_cast<BookSection>(section) == BookSection::Sidebars;
            const RefTable& references = sidebars ? tables_.sidebars : tables_.footnotes;
            const RecordBuffer& recordSizes = sidebars ? *in_.sidebarRecordSizes : *in_.footnoteRecordSizes;
            if (!references.empty()) {
                size_t directory = 0;
                for (const RefEntry& reference : references) {
                    directory += untilNul(reference.name).size() + kBlockDirectoryEntryOverhead;
                }
                sizes.push_back(static_cast<uint32_t>(directory));
                appendSizes(recordSizes, sidebars ? &plan_.sidebarTextBytes : &plan_.footnoteTextBytes);
            }
            break;
        }
        case BookSection::TextLengths:
            sizes.push_back(static_cast<uint32_t>(plan_.textRecords * kTextLengthEntrySize));
            break;
        }
        plan_.firstRecord[section] = next;
        plan_.sectionRecords[section] = sizes.size() - before;
        next += plan_.sectionRecords[section];
    }
    sizes.push_back(static_cast<uint32_t>(kMarkerRecord.size()));

    // Chapters and links past the most a book can hold were only counted.
    size_t records = sizes.size() + tables_.chaptersNotKept + tables_.linksNotKept;
    if (records > kMaxRecords) {
        reportError(
            "The book needs %zu records, more than the %zu a book can hold. No output file generated.",
            records, kMaxRecords);
        return false;
    }
    uint64_t total = firstRecordOffset(sizes.size());
    for (uint32_t size : sizes) {
        total += size;
    }
    if (total > kMaxBookSize) {
        reportError(
            "The book would be %llu bytes long, more than the %llu bytes a book can hold. No output file "
            "generated.",
            static_cast<unsigned long long>(total), static_cast<unsigned long long>(kMaxBookSize));
        return false;
    }
    return true;
}

std::vector<uint8_t> BookWriter::bookHeaderRecord() {
    std::vector<uint8_t> record(kBookHeaderSize, 0);
    uint8_t* bytes = record.data();
    putU16BE(bytes + kBookFormatOffset, kBookFormatCode);
    putU32BE(bytes + kBookConstantOffset, kBookHeaderConstant);
    putU16BE(bytes + kSmallPageCountOffset, static_cast<uint16_t>(tables_.smallPages.size()));
    putU16BE(bytes + kLargePageCountOffset, static_cast<uint16_t>(tables_.largePages.size()));
    putU16BE(bytes + kFirstNonTextRecordOffset, static_cast<uint16_t>(plan_.textRecords + 1));
    bytes[kBookByte34Offset] = kBookHeaderByte34;
    for (size_t section = 0; section < kSectionCount; ++section) {
        putU16BE(bytes + kSectionFields[section].countOffset,
                 static_cast<uint16_t>(plan_.sectionRecords[section]));
        putU16BE(bytes + kSectionFields[section].firstRecordOffset,
                 static_cast<uint16_t>(plan_.firstRecord[section]));
    }
    uint32_t tag = 0;
    if (in_.random) {
        uint32_t high = in_.random->next();
        uint32_t low = in_.random->next();
        tag = randomTag(high, low);
    }
    putU32BE(bytes + kRandomTagOffset, tag);
    return record;
}

// Output goes through one buffer so that small records do not each cost a system call.
constexpr size_t kOutputBufferSize = 65536;
constexpr size_t kCopyBlockSize = 16384;

bool BookWriter::put(const void* bytes, size_t length) {
    const auto* data = static_cast<const uint8_t*>(bytes);
    written_ += length;
    if (pending_.size() + length <= kOutputBufferSize) {
        pending_.insert(pending_.end(), data, data + length);
        return true;
    }
    if (!flush()) {
        return false;
    }
    if (length >= kOutputBufferSize) {
        return out_->write(data, length) == 0;
    }
    pending_.assign(data, data + length);
    return true;
}

bool BookWriter::flush() {
    if (pending_.empty()) {
        return true;
    }
    bool ok = out_->write(pending_.data(), pending_.size()) == 0;
    pending_.clear();
    return ok;
}

// Copies the first `bytes` bytes of a temp file, read from its start; a missing file or one that holds fewer
// is a failure.
bool BookWriter::copyFile(FileService* file, uint64_t bytes) {
    if (bytes == 0) {
        return true;
    }
    if (file == nullptr || file->seek(0) != 0) {
        return false;
    }
    std::vector<uint8_t> block(kCopyBlockSize);
    while (bytes > 0) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(bytes, block.size()));
        size_t got = 0;
        if (file->read(block.data(), want, &got) != 0 || got != want || !put(block.data(), want)) {
            return false;
        }
        bytes -= want;
    }
    return true;
}

bool BookWriter::writeBlockSection(const RefTable& references, FileService* temp, uint64_t textBytes) {
    if (references.empty()) {
        return true;
    }
    // The directory goes out entry by entry: with many long names it is megabytes, which need not be
    // gathered in memory first.
    for (const RefEntry& reference : references) {
        std::string_view name = untilNul(reference.name);
        uint8_t head[3];
        putU16BE(head, reference.recordCount);
        head[2] = static_cast<uint8_t>(name.size());
        if (!put(head, sizeof head) || !put(name.data(), name.size()) || !put("", 1)) {
            return false;
        }
    }
    return copyFile(temp, textBytes);
}

bool BookWriter::writeSection(BookSection section) {
    switch (section) {
    case BookSection::SmallPages:
    case BookSection::LargePages: {
        const PageTable& pages = section == BookSection::SmallPages ? tables_.smallPages : tables_.largePages;
        record_.clear();
        for (const PageEntry& page : pages) {
            if (!record_.appendU16(page.pageIndex) || !record_.appendU16(page.record) ||
                !record_.appendU16(page.offset) || !record_.appendU32(page.position) ||
                !record_.appendU16(page.style)) {
                return false;
            }
        }
        return put(record_);
    }
    case BookSection::Chapters:
        for (const ChapterEntry& chapter : tables_.chapters) {
            std::string_view title = untilNul(chapter.title);
            record_.clear();
            if (!record_.appendU32(chapter.position) || !record_.appendBytes(title.data(), title.size()) ||
                !record_.appendBytes("", 1) || !put(record_)) {
                return false;
            }
        }
        return true;
    case BookSection::Links:
        for (const LinkEntry& link : tables_.links) {
            std::string_view name = untilNul(link.name);
            uint32_t position =
                link.position < 0 ? kUndefinedLinkPosition : static_cast<uint32_t>(link.position);
            record_.clear();
            if (!record_.appendU32(position) || !record_.appendBytes(name.data(), name.size()) ||
                !record_.appendBytes("", 1) || !put(record_)) {
                return false;
            }
        }
        return true;
    case BookSection::Images: {
        // One stream at a time comes back from where the conversion put it.
        std::vector<uint8_t> stream;
        for (const ImageEntry& image : tables_.images.entries) {
            uint8_t header[kImageRecordHeaderSize] = {};
            std::memcpy(header + kImageTypeOffset, kImageRecordType.data(), kImageRecordType.size());
            std::string_view name = imageName(image.path);
            std::memcpy(header + kImageNameOffset, name.data(), name.size());
            putU16BE(header + kImageWidthOffset, image.width);
            putU16BE(header + kImageHeightOffset, image.height);
            stream.resize(image.dataSize);
            if (!put(header, sizeof header) ||
                !tables_.images.streams.read(image.dataOffset, stream.data(), stream.size()) ||
                !put(stream.data(), stream.size())) {
                return false;
            }
        }
        return true;
    }
    case BookSection::Index: {
        const IndexTable& index = tables_.index;
        if (index.groups.empty()) {
            return true;
        }
        record_.clear();
        for (const IndexGroup& group : index.groups) {
            std::string_view name = untilNul(group.name);
            if (!record_.appendBytes(name.data(), name.size()) || !record_.appendBytes("", 1)) {
                return false;
            }
        }
        if (!put(record_)) {
            return false;
        }
        for (const IndexGroup& group : index.groups) {
            size_t bytes = 0;
            size_t end = indexGroupEnd(index, group.firstEntry, &bytes);
            record_.clear();
            for (size_t at = group.firstEntry; at < end; ++at) {
                const IndexEntry& entry = index.entries[at];
                std::string_view text = untilNul(index.textOf(entry));
                if (!record_.appendU16(entry.record) || !record_.appendU16(entry.offset) ||
                    !record_.appendBytes(text.data(), text.size()) || !record_.appendBytes("", 1)) {
                    return false;
                }
            }
            if (!put(record_)) {
                return false;
            }
        }
        return true;
    }
    case BookSection::Metadata:
        return put(metadata_.data(), metadata_.size());
    case BookSection::Sidebars:
        return writeBlockSection(tables_.sidebars, in_.sidebarTemp, plan_.sidebarTextBytes);
    case BookSection::Footnotes:
        return writeBlockSection(tables_.footnotes, in_.footnoteTemp, plan_.footnoteTextBytes);
    case BookSection::TextLengths:
        record_.clear();
        for (size_t k = 1; k <= plan_.textRecords; ++k) {
            uint32_t length = in_.textRecordStarts->u32At(k) - in_.textRecordStarts->u32At(k - 1);
            if (!record_.appendU16(static_cast<uint16_t>(length))) {
                return false;
            }
        }
        return put(record_);
    }
    return true;
}

// Writes every record in list order; the running byte count is held against the record list after each one.
bool BookWriter::writeRecords() {
    std::string_view type = (in_.flags & kFlagDictionary) != 0 ? kDictionaryType : kBookType;
    std::vector<uint8_t> prefix =
        encodeContainerPrefix({in_.bookName, type, in_.creationTime}, plan_.recordSizes);
    std::vector<uint8_t> header = bookHeaderRecord();
    uint64_t textBytes = 0;
    for (size_t k = 1; k <= plan_.textRecords; ++k) {
        textBytes += plan_.recordSizes[k];
    }
    if (!put(prefix.data(), prefix.size()) || !put(header.data(), header.size()) ||
        !copyFile(in_.textTemp, textBytes)) {
        return false;
    }
    uint64_t expected = prefix.size() + header.size() + textBytes;
    for (size_t section = 0; section < kSectionCount; ++section) {
        if (!writeSection(static_cast<BookSection>(section))) {
            return false;
        }
        size_t first = plan_.firstRecord[section];
        for (size_t record = first; record < first + plan_.sectionRecords[section]; ++record) {
            expected += plan_.recordSizes[record];
        }
        if (written_ != expected) {
            inconsistent("a record's bytes differ from its size in the record list");
            return false;
        }
    }
    return put(kMarkerRecord.data(), kMarkerRecord.size()) && flush();
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// The book starts under a hidden name in the output's folder (so that the rename stays on one file system),
// named for removal should the build be interrupted.
bool BookWriter::createBook() {
    auto held = InterruptCleanup::hold();
    out_ = files_.createHidden(folderOf(in_.outputPath));
    if (out_) {
        InterruptCleanup::addFile(out_->path());
    }
    return out_ != nullptr;
}

// Flushed to the disk, the complete book takes its name in one step. What reaches the name must be the file
// this writer made: should someone have put a link at the hidden name, the link is removed again.
bool BookWriter::publishBook() {
    if (out_->sync() != 0) {
        return false;
    }
    auto held = InterruptCleanup::hold();
    if (files_.rename(out_->path(), in_.outputPath, in_.replaceOutput) != 0) {
        return false;
    }
    if (!out_->isOpenAt(in_.outputPath)) {
        (void)files_.removeIfPresent(in_.outputPath);
        return false;
    }
    InterruptCleanup::dropFile(out_->path());
    if (out_->close() != 0) {
        (void)files_.removeIfPresent(in_.outputPath);
        out_.reset();
        return false;
    }
    out_.reset();
    // The book is whole under its name; making the rename itself durable is the file system's best effort.
    (void)files_.syncFolder(folderOf(in_.outputPath));
    return true;
}

void BookWriter::discardBook() {
    if (!out_) {
        return;
    }
    (void)out_->close();
    auto held = InterruptCleanup::hold();
    (void)files_.removeIfPresent(out_->path());
    InterruptCleanup::dropFile(out_->path());
    out_.reset();
}

Verdict BookWriter::run() {
    metadata_ = buildMetadata();
    if (!checkTables() || !planRecords()) {
        return Verdict::Failed;
    }
    bool ok = createBook() && writeRecords() && publishBook();
    if (!ok) {
        if (!reported_) {
            reportError("An error occurred writing the file %s.", in_.outputPath.c_str());
        }
        discardBook();
        return Verdict::Failed;
    }
    reportNote("Done.");
    return Verdict::Ok;
}

} // namespace

Verdict writeBook(const BookWriterInput& input) {
    if (input.info == nullptr || input.tables == nullptr || input.textRecordStarts == nullptr ||
        input.textRecordSizes == nullptr || input.sidebarRecordSizes == nullptr ||
        input.footnoteRecordSizes == nullptr) {
        reportError("The book could not be written: its tables are missing. No output file generated.");
        return Verdict::Failed;
    }
    BookWriter writer(input, input.files != nullptr ? *input.files : systemFileSystem());
    return writer.run();
}

} // namespace quillery
