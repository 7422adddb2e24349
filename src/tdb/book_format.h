// clang-format off
//
// The book database format: every offset, size, code, limit, flag and style bit of a book, in one place for
// the writer, the reader, the markup layer and the front ends.
//
// A book is one record database. Every integer is big-endian; a four-character code is its four bytes in
// reading order.
//
//   offset 0          database header, 78 bytes:
//                        0  name: 32 bytes, the book name (at most 29 bytes), a NUL, then zero bytes
//                       32  attributes u16 (0x0008)             34  version u16 (0)
//                       36  creation date u32 (seconds since 1970)
//                       40  modification date u32 (creation + 1)
//                       44  last backup date u32 (0)            48  modification number u32 (0)
//                       52  application info offset u32 (0)     56  sort info offset u32 (0)
//                       60  type code ("QbLk"; "WgHy" for a dictionary build)
//                       64  creator code ("VxTm")               68  unique id seed u32 (0)
//                       72  next record list u32 (0)            76  record count n u16, record 0 included
//   offset 78         record list: n entries of 8 bytes, the record's file offset u32 and then
//                     0x006F8000 + record index u32 (its top byte is the record's attribute byte, 0)
//   offset 78 + 8n    gap: 2 zero bytes
//   offset 80 + 8n    the records back to back, no padding; record i + 1 starts where record i ends and the
//                     last record ends at the end of the file
//
// The records of a book, in file order:
//
//   0                 book header record, 132 bytes (below)
//   1 .. T            main text records: each one zlib stream of at most 8192 bytes of text, itself at most
//                     8192 bytes long
//   section 0         small-font page table: 12-byte page entries (below), 1333 to a record, the last record
//                     holding the rest
//   section 1         large-font page table, the same
//   section 2         one record per chapter: position u32, title (at most 80 bytes), NUL
//   section 3         one record per link: target position u32 (0xFFFFFFFF when never defined), name (at most
//                     80 bytes), NUL
//   section 4         one record per image: "PNG ", name (at most 31 bytes) zero-filled to 32 bytes, 22 zero
//                     bytes, width u16, height u16, then the PNG stream (at most 65443 bytes)
//   section 5         index: none, or a directory record (each group's name and a NUL) and one record per
//                     group, its entries back to back (text record u16, offset u16, text of at most 80 bytes,
//                     NUL); a group closes with the entry that carries its size past 62000
//   section 6         metadata: title, author, copyright, publisher, ISBN, each NUL-terminated
//   section 7         sidebars: none, or a directory record (per sidebar: its text record count u16, name
//                     length u8, name of at most 255 bytes, NUL) and then every sidebar text record
//   section 8         footnotes, laid out as the sidebars
//   section 9         text lengths: the uncompressed length of each main text record as u16
//   last              marker record: "MeTaInFo" and a NUL
//
// Book header record (record 0), 132 bytes; every field is u16 unless marked otherwise:
//
//    0  format code (10)                   2  zero                  4  constant 0x00006240 (u32)
//    8  pages in the small font           10  pages in the large font
//   12  first non-text record (T + 1)
//       each section's record count and first record number (kSectionFields): chapters 14 and 32,
//       small-font pages 16 and 36, large-font pages 18 and 38, images 20 and 40, links 22 and 42,
//       metadata 24 and 44, index 26 and 46, footnotes 28 and 48, sidebars 30 and 50, text lengths 54 and 52
//       (the footnote fields come before the sidebar fields, though sidebar records come first)
//   34  the byte 10, then a zero byte
//   56  zero (u32)                        60  random tag (u32): two 15-bit draws, the first in the high half
//   64 .. 131  zero
//
// A section without records still has a first-record field: the number the next section's first record gets.
//
// Page entry, 12 bytes: page index u16 (from 0), text record u16 (from 1), offset of the page's first byte
// within that record u16, its text position u32, and the style word u16 in force there: the style bits (bit
// 7 and up), the font code in bits 3 to 6, bit 2 zero, the alignment in bits 0 and 1. A page that starts at a
// record boundary is given as the end of the earlier record.
//
// The pages are those of the device's 158 x 148 pixel page; the layout that computes them works with the
// device page geometry below.
//
// clang-format on
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillery {

// A four-character code: the type and creator of the database, the type of an image record.
constexpr size_t kFourCharacterCodeSize = 4;

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

// The book name the driver prepares: at most 29 characters, so that the name field always holds its NUL.
constexpr size_t kMaxBookNameLength = 29;

// Record list and gap.
constexpr size_t kRecordEntrySize = 8;
constexpr size_t kRecordEntryOffsetOffset = 0; // the record's file offset, u32
constexpr size_t kRecordEntryIdOffset = 4;     // attribute byte and unique id, as one u32
constexpr size_t kGapSize = 2;
constexpr uint32_t kFirstUniqueId = 0x006F8000;
// Record count and record numbers are 16-bit; offsets are 32-bit.
constexpr size_t kMaxRecords = 65535;
constexpr uint64_t kMaxBookSize = 0xFFFFFFFFu;

constexpr uint64_t firstRecordOffset(size_t recordCount) {
    return kDatabaseHeaderSize + kRecordEntrySize * recordCount + kGapSize;
}

// The flags word of a build. A dictionary build also records no page entries.
constexpr uint32_t kFlagNoPageEntries = 1;
constexpr uint32_t kFlagDictionary = 2;

// Book header record (record 0).
constexpr size_t kBookHeaderSize = 132;
constexpr uint16_t kBookFormatCode = 10;
constexpr uint32_t kBookHeaderConstant = 0x00006240;
constexpr uint8_t kBookHeaderByte34 = 10;
constexpr size_t kBookFormatOffset = 0;
constexpr size_t kBookReservedOffset = 2; // u16, zero
constexpr size_t kBookConstantOffset = 4;
constexpr size_t kSmallPageCountOffset = 8;
constexpr size_t kLargePageCountOffset = 10;
constexpr size_t kFirstNonTextRecordOffset = 12;
constexpr size_t kBookByte34Offset = 34;            // followed by a zero byte
constexpr size_t kBookReservedBeforeTagOffset = 56; // u32, zero
constexpr size_t kRandomTagOffset = 60;
constexpr size_t kRandomTagSize = 4;
constexpr size_t kBookReservedTailOffset = kRandomTagOffset + kRandomTagSize; // zero to the end

// The random tag: two 15-bit draws of the build's generator, the first in the high half.
constexpr uint32_t randomTag(uint32_t high, uint32_t low) {
    return high * 65536 + low;
}
constexpr uint32_t kRandomTagUnusedBits = 0x80008000u; // the top bit of each half

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

// Page-table records: page entries back to back.
constexpr size_t kPageEntrySize = 12;
constexpr size_t kPageEntryIndexOffset = 0;    // page index u16
constexpr size_t kPageEntryRecordOffset = 2;   // text record number u16
constexpr size_t kPageEntryInRecordOffset = 4; // offset of the page's first byte in that record u16
constexpr size_t kPageEntryPositionOffset = 6; // text position u32
constexpr size_t kPageEntryStyleOffset = 10;   // style word u16
constexpr size_t kPageEntriesPerRecord = 16000 / kPageEntrySize; // 1333
constexpr size_t kMaxPageEntries = 65535;

// Font codes.
constexpr uint16_t kFontSmall = 0;
constexpr uint16_t kFontBold = 1;
constexpr uint16_t kFontLarge = 2;

// Alignments.
constexpr uint16_t kAlignLeft = 0;
constexpr uint16_t kAlignCentre = 1;
constexpr uint16_t kAlignRight = 2;

// Bits of the style word.
constexpr uint16_t kStyleItalic = 0x8000;
constexpr uint16_t kStyleUnderline = 0x4000;
constexpr uint16_t kStyleIndent = 0x2000;
constexpr uint16_t kStyleOverstrike = 0x1000;
constexpr uint16_t kStyleInvisible = 0x0800;
constexpr uint16_t kStyleReference = 0x0400;
constexpr uint16_t kStyleSuperscript = 0x0200;
constexpr uint16_t kStyleSubscript = 0x0100;
constexpr uint16_t kStyleBoldWeight = 0x0080;

// The style word of a page entry: the style bits, the alignment in bits 0 and 1, the font code from bit 3.
constexpr uint16_t kPageAlignmentMask = 0x0003;
constexpr unsigned kPageFontShift = 3;
constexpr uint16_t kPageFontMask = 0x000F; // after the shift
constexpr uint16_t pageStyleWord(uint16_t style, uint16_t alignment, uint16_t font) {
    return static_cast<uint16_t>(style | (alignment & kPageAlignmentMask) | (font << kPageFontShift));
}
constexpr uint16_t pageAlignment(uint16_t word) {
    return word & kPageAlignmentMask;
}
constexpr uint16_t pageFont(uint16_t word) {
    return (word >> kPageFontShift) & kPageFontMask;
}

// The device page that the page tables are laid out for, in pixels.
constexpr uint32_t kPageWidth = 158;           // a line overflows when it is wider
constexpr uint32_t kPageHeight = 148;          // a line fits when its bottom is at most this
constexpr uint32_t kBlockIndent = 8;           // where lines start inside an indented block
constexpr uint32_t kImagePlaceholderSize = 16; // an image that does not fit the page is laid out this size

// Chapter and link records: position u32, name, NUL.
constexpr size_t kPositionRecordNameOffset = 4;
constexpr size_t kPositionRecordOverhead = kPositionRecordNameOffset + 1;
constexpr uint32_t kUndefinedLinkPosition = 0xFFFFFFFF;
constexpr size_t kMaxTitleLength = 80; // a chapter title, and the text of an index entry
constexpr size_t kMaxLinkNameLength = 80;
// One record per chapter: no book holds more chapters than records.
constexpr size_t kMaxChapters = kMaxRecords;

// Image records.
constexpr std::string_view kImageRecordType = "PNG ";
constexpr size_t kImageRecordHeaderSize = 62;
constexpr size_t kImageTypeOffset = 0;
constexpr size_t kImageNameOffset = 4;
constexpr size_t kImageNameSize = 32;
constexpr size_t kMaxImageNameLength = kImageNameSize - 1; // the field always ends with a zero byte
constexpr size_t kImageReservedOffset = 36;
constexpr size_t kImageReservedSize = 22;
constexpr size_t kImageWidthOffset = 58;
constexpr size_t kImageHeightOffset = 60;
constexpr size_t kMaxImageDataSize = 65443; // so that an image record stays within 65505 bytes
// The message for a longer image name, which states the limit.
constexpr const char* kImageNameTooLongMessage =
    "Image name \"%s\" is longer than 31 characters! Please rename the image.";
static_assert(kMaxImageNameLength == 31, "kImageNameTooLongMessage states the limit");

// The PNG stream of an image record, and the PNG files images are read from.
constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};
constexpr size_t kPngChunkHeaderSize = 8; // length u32 and type, before a chunk's data
constexpr size_t kPngChunkFraming = 12;   // length, type and CRC around a chunk's data
constexpr size_t kPngChunkTypeOffset = 4; // within a chunk
constexpr std::string_view kPngHeaderChunk = "IHDR";
constexpr std::string_view kPngEndChunk = "IEND";
constexpr size_t kPngHeaderChunkDataSize = 13;
// Within a PNG file or stream: the header chunk comes first, right after the signature.
constexpr size_t kPngHeaderChunkOffset = 8;
constexpr size_t kPngWidthOffset = 16;  // u32
constexpr size_t kPngHeightOffset = 20; // u32
constexpr size_t kPngColourTypeOffset = 25;
constexpr size_t kPngHeaderLength = 26; // up to and including the colour type
// The shortest stream that holds the signature and the header chunk's length, type and data.
constexpr size_t kPngHeaderBytes = kPngHeaderChunkOffset + kPngChunkHeaderSize + kPngHeaderChunkDataSize;
constexpr uint8_t kPngColourTypeGrey = 0;
constexpr uint8_t kPngColourTypePalette = 3;

// Index records: an entry is text record u16, offset u16, text, NUL.
constexpr size_t kIndexEntryRecordOffset = 0;
constexpr size_t kIndexEntryInRecordOffset = 2;
constexpr size_t kIndexEntryTextOffset = 4;
constexpr size_t kIndexEntryOverhead = kIndexEntryTextOffset + 1;
constexpr size_t kIndexGroupLimit = 62000; // a group closes with the entry that carries it past this

// Metadata record.
constexpr size_t kMetadataStringCount = 5;
constexpr size_t kMetadataWarningLength = 256;

// Sidebar and footnote directory entries: record count u16, name length u8, name, NUL.
constexpr size_t kBlockEntryRecordsOffset = 0;
constexpr size_t kBlockEntryNameLengthOffset = 2;
constexpr size_t kBlockEntryNameOffset = 3;
constexpr size_t kBlockDirectoryEntryOverhead = kBlockEntryNameOffset + 1;
constexpr size_t kMaxBlockNameLength = 255;

// Text records and the text-length record. A text record holds at most this many bytes of text, and its
// compressed form is no longer either.
constexpr size_t kTextRecordSize = 8192;
constexpr size_t kTextLengthEntrySize = 2;

// Marker record, the last of every book.
constexpr std::string_view kMarkerRecord{"MeTaInFo\0", 9};

// The field sizes agree with the layouts above.
static_assert(kPageEntryStyleOffset + 2 == kPageEntrySize);
static_assert(kRecordEntryIdOffset + 4 == kRecordEntrySize);
static_assert(kImageHeightOffset + 2 == kImageRecordHeaderSize);
static_assert(kImageReservedOffset + kImageReservedSize == kImageWidthOffset);
static_assert(kImageNameOffset + kImageNameSize == kImageReservedOffset);
static_assert(kImageRecordType.size() == kFourCharacterCodeSize);
static_assert(kImageRecordHeaderSize + kMaxImageDataSize == 65505);
static_assert(kMaxBlockNameLength <= UINT8_MAX); // its length is one byte
static_assert(kMaxBookNameLength < kDatabaseNameSize);
static_assert(kHeaderRecordCountOffset + 2 == kDatabaseHeaderSize);

} // namespace quillery
