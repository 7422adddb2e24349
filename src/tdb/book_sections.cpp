#include "tdb/book_sections.h"

#include "framework/byte_order.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quillery {

std::string_view terminatedString(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view imageRecordName(std::string_view path) {
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

size_t storedRecordCount(const RecordBuffer& sizes) {
    return sizes.count() > 0 ? sizes.count() - 1 : 0;
}

namespace {

bool putTerminated(RecordSink& sink, std::string_view text) {
    text = terminatedString(text);
    return sink.put(text.data(), text.size()) && sink.put("", 1);
}

// Page entries back to back, cut into records of a fixed number of entries; a record is gathered whole.
bool putPages(const PageTable& pages, RecordSink& sink) {
    std::array<uint8_t, kPageEntriesPerRecord * kPageEntrySize> record;
    for (size_t first = 0; first < pages.size(); first += kPageEntriesPerRecord) {
        size_t end = std::min(pages.size(), first + kPageEntriesPerRecord);
        uint8_t* entry = record.data();
        for (size_t at = first; at < end; ++at, entry += kPageEntrySize) {
            const PageEntry& page = pages[at];
            putU16BE(entry + kPageEntryIndexOffset, page.pageIndex);
            putU16BE(entry + kPageEntryRecordOffset, page.record);
            putU16BE(entry + kPageEntryInRecordOffset, page.offset);
            putU32BE(entry + kPageEntryPositionOffset, page.position);
            putU16BE(entry + kPageEntryStyleOffset, page.style);
        }
        sink.beginRecord();
        if (!sink.put(record.data(), static_cast<size_t>(entry - record.data()))) {
            return false;
        }
    }
    return true;
}

// One record per chapter or link: its position, then its name.
bool putPositionRecord(uint32_t position, std::string_view name, RecordSink& sink) {
    uint8_t head[kPositionRecordNameOffset];
    putU32BE(head, position);
    sink.beginRecord();
    return sink.put(head, sizeof head) && putTerminated(sink, name);
}

bool putChapters(const ChapterTable& chapters, RecordSink& sink) {
    for (const ChapterEntry& chapter : chapters) {
        if (!putPositionRecord(chapter.position, chapter.title, sink)) {
            return false;
        }
    }
    return true;
}

bool putLinks(const LinkTable& links, RecordSink& sink) {
    for (const LinkEntry& link : links) {
        uint32_t position = link.position < 0 ? kUndefinedLinkPosition : static_cast<uint32_t>(link.position);
        if (!putPositionRecord(position, link.name, sink)) {
            return false;
        }
    }
    return true;
}

// One record per image: the record header, then the converted stream from where the conversion put it.
bool putImages(const ImageTable& images, RecordSink& sink) {
    for (const ImageEntry& image : images.entries) {
        uint8_t header[kImageRecordHeaderSize] = {};
        std::memcpy(header + kImageTypeOffset, kImageRecordType.data(), kImageRecordType.size());
        // Longer names were refused before; the field keeps its closing zero byte whatever it is given.
        std::string_view name = imageRecordName(image.path).substr(0, kMaxImageNameLength);
        std::memcpy(header + kImageNameOffset, name.data(), name.size());
        putU16BE(header + kImageWidthOffset, image.width);
        putU16BE(header + kImageHeightOffset, image.height);
        sink.beginRecord();
        if (!sink.put(header, sizeof header) ||
            !sink.putImageStream(images.streams, image.dataOffset, image.dataSize)) {
            return false;
        }
    }
    return true;
}

// A directory record of the group names, then one record per group. The grouping made each group the run of
// sorted entries up to the next group's first entry.
bool putIndex(const IndexTable& index, RecordSink& sink) {
    if (index.groups.empty()) {
        return true;
    }
    sink.beginRecord();
    for (const IndexGroup& group : index.groups) {
        if (!putTerminated(sink, group.name)) {
            return false;
        }
    }
    for (size_t g = 0; g < index.groups.size(); ++g) {
        size_t end = g + 1 < index.groups.size() ? index.groups[g + 1].firstEntry : index.entries.size();
        end = std::min(end, index.entries.size());
        sink.beginRecord();
        for (size_t at = index.groups[g].firstEntry; at < end; ++at) {
            const IndexEntry& entry = index.entries[at];
            uint8_t head[kIndexEntryTextOffset];
            putU16BE(head + kIndexEntryRecordOffset, entry.record);
            putU16BE(head + kIndexEntryInRecordOffset, entry.offset);
            if (!sink.put(head, sizeof head) || !putTerminated(sink, index.textOf(entry))) {
                return false;
            }
        }
    }
    return true;
}

// Nothing without references; else a directory record, then the text records of the bodies. The directory
// goes out entry by entry: with many long names it is megabytes, which need not be gathered first.
bool putBlocks(const RefTable& references, const StoredRecords& bodies, RecordSink& sink) {
    if (references.empty()) {
        return true;
    }
    sink.beginRecord();
    for (const RefEntry& reference : references) {
        std::string_view name = terminatedString(reference.name);
        uint8_t head[kBlockEntryNameOffset];
        putU16BE(head + kBlockEntryRecordsOffset, reference.recordCount);
        head[kBlockEntryNameLengthOffset] = static_cast<uint8_t>(name.size());
        if (!sink.put(head, sizeof head) || !putTerminated(sink, name)) {
            return false;
        }
    }
    return sink.putStored(bodies);
}

// Each text record's length before compression.
bool putTextLengths(const BookWriterInput& input, RecordSink& sink) {
    const RecordBuffer& starts = input.textRecordStarts;
    size_t records = std::min(storedRecordCount(input.text.sizes), storedRecordCount(starts));
    sink.beginRecord();
    for (size_t k = 1; k <= records; ++k) {
        uint8_t length[kTextLengthEntrySize];
        putU16BE(length, static_cast<uint16_t>(starts.u32At(k) - starts.u32At(k - 1)));
        if (!sink.put(length, sizeof length)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool putTextRecords(const BookSource& book, RecordSink& sink) {
    return sink.putStored(book.input.text);
}

bool putSection(BookSection section, const BookSource& book, RecordSink& sink) {
    const BookTables& tables = book.input.tables;
    switch (section) {
    case BookSection::SmallPages:
        return putPages(tables.smallPages, sink);
    case BookSection::LargePages:
        return putPages(tables.largePages, sink);
    case BookSection::Chapters:
        return putChapters(tables.chapters, sink);
    case BookSection::Links:
        return putLinks(tables.links, sink);
    case BookSection::Images:
        return putImages(tables.images, sink);
    case BookSection::Index:
        return putIndex(tables.index, sink);
    case BookSection::Metadata:
        sink.beginRecord();
        return sink.put(book.metadata.data(), book.metadata.size());
    case BookSection::Sidebars:
        return putBlocks(tables.sidebars, book.input.sidebars, sink);
    case BookSection::Footnotes:
        return putBlocks(tables.footnotes, book.input.footnotes, sink);
    case BookSection::TextLengths:
        return putTextLengths(book.input, sink);
    }
    return true;
}

} // namespace quillery
