// The book database format: every offset, size, code and limit, shared by the writer and the reader.
//
// A book is one record database. Every integer is big-endian; a four-character code is its four bytes in
// reading order.
//
//   offset 0          database header, 78 bytes: name, dates, type and creator codes, record count n
//   offset 78         record list: n entries of 8 bytes (record offset u32, then 0x006F8000 + record index
//   u32,
//                     whose top byte is the record's attribute byte, 0)
//   offset 78 + 8n    gap: 2 zero bytes
//   offset 80 + 8n    the records back to back, no padding; record i + 1 starts where record i ends and the
//                     last record ends at the end of the file
//
// The records of a book, in file order:
//
//   0                 book header record, 132 bytes: counts and first record numbers of every section
//   1 .. T            main text records, each one zlib stream of at most 8192 bytes of text
//   section 0         small-font page table, 1333 entries of 12 bytes per record
//   section 1         large-font page table, the same
//   section 2         one record per chapter: position u32, title, NUL
//   section 3         one record per link: target position u32 (0xFFFFFFFF when undefined), name, NUL
//   section 4         one record per image: "PNG ", name in 32 bytes, 22 reserved bytes, width u16, height
//   u16,
//                     the PNG stream
//   section 5         index: none, or a directory record (each group's name and a NUL) and one record per
//   group
//                     (entries of text record u16, offset u16, text, NUL)
//   section 6         metadata: title, author, copyright, publisher, ISBN, each NUL-terminated
//   section 7         sidebars: none, or a directory record (per sidebar: its record count u16, name length
//   u8,
//                     name, NUL) followed by every sidebar text record
//   section 8         footnotes, laid out as the sidebars
//   section 9         text lengths: the uncompressed length of each main text record as u16
//   last              marker record: "MeTaInFo" and a NUL
//
// A section without records still has a first-record field: the number the next section's first record gets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

// Database header.
constexpr size_t kDatabaseHeaderSize = 78;
constexpr size_t kDatabaseNameSize = 32;
constexpr size_t kHeaderNameOffset = 0;
constexpr size_t kHeaderAttributesOffset = 32;
constexpr size_t kHeaderVersionOffset = 34;
constexpr size_t kHeaderCreationOffset = 36;
constexpr size_t kHeaderModificationOffset = 40;
constexpr size_t kHeaderBackupOffset = 44;
constexpr size_t kHeaderModificationNumberOffset = 48;
constexpr size_t kHeaderAppInfoOffset = 52;
constexpr size_t kHeaderSortInfoOffset = 56;
constexpr size_t kHeaderTypeOffset = 60;
constexpr size_t kHeaderCreatorOffset = 64;
constexpr size_t kHeaderUniqueIdSeedOffset = 68;
constexpr size_t kHeaderNextListOffset = 72;
constexpr size_t kHeaderRecordCountOffset = 76;

constexpr uint16_t kDatabaseAttributes = 0x0008;
constexpr std::string_view kBookType = "QbLk";
constexpr std::string_view kDictionaryType = "WgHy";
constexpr std::string_view kCreator = "VxTm";

// Record list and gap.
constexpr size_t kRecordEntrySize = 8;
constexpr size_t kGapSize = 2;
constexpr uint32_t kFirstUniqueId = 0x006F8000;
// Record count and record numbers are 16-bit; offsets are 32-bit.
constexpr size_t kMaxRecords = 65535;
constexpr uint64_t kMaxBookSize = 0xFFFFFFFFu;

constexpr uint64_t firstRecordOffset(size_t recordCount) {
    return kDatabaseHeaderSize + kRecordEntrySize * recordCount + kGapSize;
}

// Book header record (record 0).
constexpr size_t kBookHeaderSize = 132;
constexpr uint16_t kBookFormatCode = 10;
constexpr uint32_t kBookHeaderConstant = 0x00006240;
constexpr uint8_t kBookHeaderByte34 = 10;
constexpr size_t kBookFormatOffset = 0;
constexpr size_t kBookConstantOffset = 4;
constexpr size_t kSmallPageCountOffset = 8;
constexpr size_t kLargePageCountOffset = 10;
constexpr size_t kFirstNonTextRecordOffset = 12;
constexpr size_t kBookByte34Offset = 34;
constexpr size_t kRandomTagOffset = 60;

// The ten sections after the text records, in file order.
enum class BookSection : size_t {
    SmallPages,
    LargePages,
    Chapters,
    Links,
    Images,
    Index,
    Metadata,
    Sidebars,
    Footnotes,
    TextLengths,
};
constexpr size_t kSectionCount = 10;

// Where the book header record keeps each section's record count and first record number. The footnote
// fields come before the sidebar fields although sidebar records come first in the file.
struct SectionFields {
    size_t countOffset;
    size_t firstRecordOffset;
};
constexpr std::array<SectionFields, kSectionCount> kSectionFields = {{
    {16, 36}, // small-font page table
    {18, 38}, // large-font page table
    {14, 32}, // chapters
    {22, 42}, // links
    {20, 40}, // images
    {26, 46}, // index
    {24, 44}, // metadata
    {30, 50}, // sidebars
    {28, 48}, // footnotes
    {54, 52}, // text lengths
}};

constexpr std::array<std::string_view, kSectionCount> kSectionNames = {
    "small-font pages", "large-font pages", "chapters",  "links",        "images", "index",
    "metadata",         "sidebars",         "footnotes", "text lengths",
};

// Page-table records.
constexpr size_t kPageEntrySize = 12;
constexpr size_t kPageEntriesPerRecord = 16000 / kPageEntrySize; // 1333
constexpr size_t kMaxPageEntries = 65535;

// Chapter and link records: position u32, name, NUL.
constexpr size_t kPositionRecordOverhead = 5;
constexpr uint32_t kUndefinedLinkPosition = 0xFFFFFFFF;
// One record per chapter: no book holds more chapters than records.
constexpr size_t kMaxChapters = kMaxRecords;

// Image records.
constexpr std::string_view kImageRecordType = "PNG ";
constexpr size_t kImageRecordHeaderSize = 62;
constexpr size_t kImageNameOffset = 4;
constexpr size_t kImageNameSize = 32;
constexpr size_t kImageReservedOffset = 36;
constexpr size_t kImageReservedSize = 22;
constexpr size_t kImageWidthOffset = 58;
constexpr size_t kImageHeightOffset = 60;
constexpr size_t kMaxImageDataSize = 65443;

// Index records: an entry is text record u16, offset u16, text, NUL.
constexpr size_t kIndexEntryOverhead = 5;
constexpr size_t kIndexGroupLimit = 62000; // a group closes with the entry that carries it past this
constexpr size_t kMaxIndexText = 80;

// Metadata record.
constexpr size_t kMetadataStringCount = 5;
constexpr size_t kMetadataWarningLength = 256;

// Sidebar and footnote directory entries: record count u16, name length u8, name, NUL.
constexpr size_t kBlockDirectoryEntryOverhead = 4;
constexpr size_t kMaxBlockNameLength = 255;

// Text records and the text-length record.
constexpr size_t kMaxTextRecordLength = 8192;
constexpr size_t kTextLengthEntrySize = 2;

// Marker record, the last of every book.
constexpr std::string_view kMarkerRecord{"MeTaInFo\0", 9};

} // namespace quillery
