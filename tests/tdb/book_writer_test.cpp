#include "book_fixture.h"
#include "tdb/book_format.h"
#include "tdb/book_reader.h"
#include "tdb/index_records.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::BookFixture;
using test::recordBytes;
using test::recordSpan;
using test::u16At;
using test::u32At;

// Reads a written book back and fails the test on any violation.
BookContents readBack(const std::string& bytes) {
    BookContents book;
    std::string error;
    EXPECT_TRUE(readBook(bytes, book, error)) << error;
    return book;
}

TEST(BookWriterTest, WritesTheContainerHeaderAndRecordList) {
    BookFixture fixture;
    fixture.bookName = "ABCDEFGHIJKLM...RSTUVWXYZ0123"; // 29 bytes
    test::ReportCollector reports;
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    EXPECT_EQ(reports.lines(), std::vector<std::string>{"N Done."});

    // One text record: header, text, metadata, text lengths, marker.
    const size_t n = 5;
    EXPECT_EQ(book.substr(0, 29), fixture.bookName);
    EXPECT_EQ(book.substr(29, 3), std::string(3, '\0'));
    EXPECT_EQ(book.substr(32, 4), std::string("\x00\x08\x00\x00", 4));
    EXPECT_EQ(book.substr(36, 8), std::string("\x3B\x9A\xCA\x00\x3B\x9A\xCA\x01", 8));
    EXPECT_EQ(book.substr(44, 16), std::string(16, '\0'));
    EXPECT_EQ(book.substr(60, 8), "QbLkVxTm");
    EXPECT_EQ(book.substr(68, 8), std::string(8, '\0'));
    EXPECT_EQ(u16At(book, 76), n);
    uint32_t expectedOffset = 80 + 8 * n;
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(u32At(book, 78 + 8 * i), expectedOffset) << i;
        EXPECT_EQ(u32At(book, 82 + 8 * i), 0x006F8000u + i) << i;
        expectedOffset += recordSpan(book, i).second;
    }
    EXPECT_EQ(book.substr(78 + 8 * n, 2), std::string(2, '\0'));
    EXPECT_EQ(expectedOffset, book.size());
    EXPECT_EQ(recordSpan(book, 0).second, 132u);
    EXPECT_EQ(recordBytes(book, n - 1), std::string("MeTaInFo\0", 9));
    readBack(book);
}

TEST(BookWriterTest, BookWithoutSectionsPointsEveryEmptySectionAtTheNextRecord) {
    BookFixture fixture;
    fixture.setText(test::sampleText(20000)); // three text records
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    std::string header = recordBytes(book, 0);
    const size_t t = 3, metadata = t + 1;
    EXPECT_EQ(u16At(book, 76), t + 4);
    EXPECT_EQ(u16At(header, 0), 10);
    EXPECT_EQ(u16At(header, 2), 0);
    EXPECT_EQ(u32At(header, 4), 0x6240u);
    EXPECT_EQ(u16At(header, 12), t + 1);
    for (size_t field : {32, 36, 38, 40, 42, 44, 46}) {
        EXPECT_EQ(u16At(header, field), metadata) << field;
    }
    EXPECT_EQ(u16At(header, 24), 1);
    EXPECT_EQ(static_cast<uint8_t>(header[34]), 10);
    EXPECT_EQ(header[35], 0);
    // No sidebars and no footnotes: both counts 0, both first records at the text-length record.
    EXPECT_EQ(u16At(header, 28), 0);
    EXPECT_EQ(u16At(header, 30), 0);
    EXPECT_EQ(u16At(header, 48), metadata + 1);
    EXPECT_EQ(u16At(header, 50), metadata + 1);
    EXPECT_EQ(u16At(header, 52), metadata + 1);
    EXPECT_EQ(u16At(header, 54), 1);
    EXPECT_EQ(header.substr(56, 4), std::string(4, '\0'));
    EXPECT_EQ(header.substr(64), std::string(68, '\0'));

    // The text-length record holds 2 x T bytes: each record's uncompressed length.
    std::string lengths = recordBytes(book, metadata + 1);
    ASSERT_EQ(lengths.size(), 2 * t);
    uint32_t total = 0;
    for (size_t k = 0; k < t; ++k) {
        EXPECT_EQ(u16At(lengths, 2 * k), fixture.starts.u32At(k + 1) - fixture.starts.u32At(k));
        total += u16At(lengths, 2 * k);
        EXPECT_EQ(recordSpan(book, k + 1).second, fixture.sizes.u32At(k + 1));
    }
    EXPECT_EQ(total, 20000u);
    EXPECT_EQ(readBack(book).textLength(), 20000u);
}

TEST(BookWriterTest, CutsPageTablesEvery1333Entries) {
    BookFixture fixture;
    fixture.setText(test::sampleText(30000));
    fixture.tables.smallPages = fixture.pages(1333, 0x0008);
    fixture.tables.largePages = fixture.pages(1334, 0x0010);
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    std::string header = recordBytes(book, 0);
    size_t first = u16At(header, 12);
    EXPECT_EQ(u16At(header, 8), 1333);
    EXPECT_EQ(u16At(header, 10), 1334);
    EXPECT_EQ(u16At(header, 16), 1);
    EXPECT_EQ(u16At(header, 18), 2);
    EXPECT_EQ(u16At(header, 36), first);
    EXPECT_EQ(u16At(header, 38), first + 1);
    EXPECT_EQ(u16At(header, 44), first + 3); // the metadata record follows the large-font table
    EXPECT_EQ(recordSpan(book, first).second, 1333u * 12);
    EXPECT_EQ(recordSpan(book, first + 1).second, 1333u * 12);
    EXPECT_EQ(recordSpan(book, first + 2).second, 12u);

    // The 1334th large-font entry is the last record, field by field.
    std::string last = recordBytes(book, first + 2);
    const PageEntry& page = fixture.tables.largePages.back();
    EXPECT_EQ(u16At(last, 0), 1333);
    EXPECT_EQ(u16At(last, 2), page.record);
    EXPECT_EQ(u16At(last, 4), page.offset);
    EXPECT_EQ(u32At(last, 6), page.position);
    EXPECT_EQ(u16At(last, 10), 0x0010);

    BookContents read = readBack(book);
    EXPECT_EQ(read.smallPages.size(), 1333u);
    EXPECT_EQ(read.largePages.size(), 1334u);
}

TEST(BookWriterTest, WritesEverySectionInOrderAndReadsItBack) {
    BookFixture fixture;
    std::string text = test::sampleText(9000);
    fixture.setText(text);
    fixture.tables.smallPages = fixture.pages(4);
    fixture.tables.largePages = fixture.pages(6);
    fixture.tables.chapters = {{0, "Chapter One"}, {4500, "    Section"}};
    LinkEntry defined;
    defined.position = 120;
    defined.name = "harbour";
    LinkEntry undefined;
    undefined.name = "nowhere";
    fixture.tables.links = {defined, undefined};
    fixture.addImage("cover.png", 100, 80);
    fixture.addImage("map.png", 40, 30);
    for (int i = 0; i < 10; ++i) {
        fixture.tables.index.add(1, static_cast<uint16_t>(i * 10), "entry" + std::to_string(i) + "xxxx");
    }
    fixture.tables.index.groups.push_back({"entry0xxxx", 150, 0});
    fixture.setBlocks(true, {{"note", test::sampleText(20000)}, {"tide", "High water at noon."}});
    fixture.setBlocks(false, {{"a", "A footnote."}});
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());

    std::string header = recordBytes(book, 0);
    const size_t t = 2;
    size_t r = t + 1;
    EXPECT_EQ(u16At(header, 36), r); // small pages
    EXPECT_EQ(u16At(header, 38), r + 1);
    EXPECT_EQ(u16At(header, 32), r + 2); // chapters
    EXPECT_EQ(u16At(header, 14), 2);
    EXPECT_EQ(u16At(header, 42), r + 4); // links
    EXPECT_EQ(u16At(header, 22), 2);
    EXPECT_EQ(u16At(header, 40), r + 6); // images
    EXPECT_EQ(u16At(header, 20), 2);
    EXPECT_EQ(u16At(header, 46), r + 8); // index: directory and one group
    EXPECT_EQ(u16At(header, 26), 2);
    EXPECT_EQ(u16At(header, 44), r + 10); // metadata
    EXPECT_EQ(u16At(header, 50), r + 11); // sidebars: directory, 3 + 1 text records
    EXPECT_EQ(u16At(header, 30), 5);
    EXPECT_EQ(u16At(header, 48), r + 16); // footnotes: directory, 1 text record
    EXPECT_EQ(u16At(header, 28), 2);
    EXPECT_EQ(u16At(header, 52), r + 18);
    EXPECT_EQ(u16At(book, 76), r + 20);

    EXPECT_EQ(recordBytes(book, r + 2), std::string("\0\0\0\0Chapter One\0", 16));
    EXPECT_EQ(recordBytes(book, r + 5), std::string("\xFF\xFF\xFF\xFFnowhere\0", 12));
    std::string image = recordBytes(book, r + 6);
    EXPECT_EQ(image.substr(0, 4), "PNG ");
    EXPECT_EQ(image.substr(4, 32), std::string("cover.png") + std::string(23, '\0'));
    EXPECT_EQ(image.substr(36, 22), std::string(22, '\0'));
    EXPECT_EQ(u16At(image, 58), 100);
    EXPECT_EQ(u16At(image, 60), 80);
    EXPECT_EQ(image.substr(62), test::fakePng(100, 80));
    EXPECT_EQ(recordBytes(book, r + 8), std::string("entry0xxxx\0", 11));
    EXPECT_EQ(recordSpan(book, r + 9).second, 150u);
    EXPECT_EQ(recordBytes(book, r + 9).substr(0, 15), std::string("\0\x01\0\0entry0xxxx\0", 15));
    EXPECT_EQ(recordBytes(book, r + 11), std::string("\0\x03\x04note\0\0\x01\x04tide\0", 16));

    BookContents read = readBack(book);
    ASSERT_EQ(read.chapters.size(), 2u);
    EXPECT_EQ(read.chapters[1].name, "    Section");
    EXPECT_EQ(read.links[1].position, kUndefinedLinkPosition);
    ASSERT_EQ(read.images.size(), 2u);
    EXPECT_EQ(read.images[1].name, "map.png");
    ASSERT_EQ(read.index.size(), 1u);
    EXPECT_EQ(read.index[0].entries.size(), 10u);
    ASSERT_EQ(read.sidebars.size(), 2u);
    EXPECT_EQ(read.sidebars[0].records.size(), 3u);
    EXPECT_EQ(read.sidebars[1].records[0].length, 19u);
    ASSERT_EQ(read.footnotes.size(), 1u);
    EXPECT_EQ(read.footnotes[0].name, "a");
    EXPECT_EQ(read.metadata[0], "The Lamp on Gull Point");
}

// Groups cut by the index grouping are written record for record as they were cut.
TEST(BookWriterTest, WritesIndexGroupsAsGrouped) {
    BookFixture fixture;
    fixture.setText(test::sampleText(30000));
    for (int i = 0; i < 3000; ++i) {
        std::string text = "entry " + std::to_string((i * 7919) % 3000) + std::string(20, 'x');
        fixture.tables.index.add(static_cast<uint16_t>(1 + i % 4), static_cast<uint16_t>(i), text);
    }
    groupIndexEntries(fixture.tables.index);
    ASSERT_EQ(fixture.tables.index.groups.size(), 2u);
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    size_t first = u16At(recordBytes(book, 0), 46);
    EXPECT_EQ(u16At(recordBytes(book, 0), 26), 3);
    for (size_t g = 0; g < 2; ++g) {
        EXPECT_EQ(recordSpan(book, first + 1 + g).second, fixture.tables.index.groups[g].byteSize) << g;
    }
    BookContents read = readBack(book);
    ASSERT_EQ(read.index.size(), 2u);
    EXPECT_EQ(read.index[0].entries.size() + read.index[1].entries.size(), 3000u);
    EXPECT_EQ(read.index[1].name, fixture.tables.index.groups[1].name);
}

// The groups are written as the grouping cut them: each holds the entries from its first up to the next
// group's first, whatever their size. (These hand-made groups are shorter than the grouping would make them.)
TEST(BookWriterTest, AnIndexGroupEndsWhereTheNextBegins) {
    BookFixture fixture;
    for (int i = 0; i < 10; ++i) {
        fixture.tables.index.add(1, static_cast<uint16_t>(i), "entry" + std::to_string(i));
    }
    fixture.tables.index.groups = {{"entry0", 4 * 11, 0}, {"entry4", 6 * 11, 4}};
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    size_t first = u16At(recordBytes(book, 0), 46);
    EXPECT_EQ(recordBytes(book, first), std::string("entry0\0entry4\0", 14));
    EXPECT_EQ(recordSpan(book, first + 1).second, 4u * 11);
    std::string secondGroup = std::string("\0\x01\0\x04", 4) + std::string("entry4\0", 7);
    EXPECT_EQ(recordBytes(book, first + 2).substr(0, 11), secondGroup);
    EXPECT_EQ(recordSpan(book, first + 2).second, 6u * 11);
}

TEST(BookWriterTest, MetadataHoldsTheFiveFieldsInOrder) {
    BookFixture fixture;
    fixture.info = BookInfo{};
    std::string empty = fixture.write();
    EXPECT_EQ(recordBytes(empty, 2), std::string(5, '\0'));

    fixture.info.title = u"T\u00e9";
    fixture.info.author = u"A";
    fixture.info.publisher = u"P";
    fixture.info.isbn = u"I";
    fixture.info.copyright = u"C\u20ac";
    std::string book = fixture.write();
    EXPECT_EQ(recordBytes(book, 2), std::string("T\xE9\0A\0C\x80\0P\0I\0", 12));
}

TEST(BookWriterTest, LongMetadataIsWarnedAboutAndStoredWhole) {
    BookFixture fixture;
    fixture.info.author = WideString::fromAnsi(std::string(300, 'a'));
    test::ReportCollector reports;
    std::string book = fixture.write();
    std::string warning =
        "W The string \"" + std::string(300, 'a') + "\" is longer than 256 characters; is this necessary?";
    EXPECT_EQ(reports.lines(), (std::vector<std::string>{warning, "N Done."}));
    std::string metadata = recordBytes(book, 2);
    EXPECT_EQ(metadata.size(), 22u + 301 + 4);
    EXPECT_EQ(metadata.substr(23, 300), std::string(300, 'a'));
}

TEST(BookWriterTest, TypeCodeRandomTagAndReproducibility) {
    BookFixture fixture;
    std::string first = fixture.write();
    std::string second = fixture.write();
    EXPECT_EQ(first, second);

    RandomGenerator random(fixture.seed);
    uint32_t high = random.next();
    uint32_t low = random.next();
    EXPECT_EQ(u32At(recordBytes(first, 0), 60), high * 65536 + low);

    fixture.flags = 2;
    std::string dictionary = fixture.write();
    EXPECT_EQ(dictionary.substr(60, 4), "WgHy");
    EXPECT_EQ(readBack(dictionary).type, "WgHy");
}

// An empty source: no text records, the text-length record is empty, pages start at record 1, offset 0.
TEST(BookWriterTest, EmptyTextGivesABookWithoutTextRecords) {
    BookFixture fixture;
    fixture.setText("");
    fixture.tables.smallPages = {PageEntry{0, 1, 0, 0, 0}};
    fixture.tables.largePages = {PageEntry{0, 1, 0, 0, 0x10}};
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    EXPECT_EQ(u16At(recordBytes(book, 0), 12), 1);
    EXPECT_EQ(u16At(book, 76), 6);
    EXPECT_EQ(recordSpan(book, 4).second, 0u);
    EXPECT_EQ(readBack(book).text.size(), 0u);
}

TEST(BookWriterTest, RefusesWhatTheFormatCannotHold) {
    BookFixture fixture;
    test::ReportCollector reports;
    fixture.tables.smallPages = fixture.pages(65536);
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E The book has 65536 pages in the small font, more than "
                                       "the 65535 a book can hold. No output file generated."});
    EXPECT_FALSE(test::fileExists(fixture.outputPath()));

    fixture.tables.smallPages.clear();
    fixture.tables.chapters.assign(65531, ChapterEntry{0, "c"}); // 65531 + 5 records
    reports.clear();
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E The book needs 65536 records, more than the 65535 a "
                                       "book can hold. No output file generated."});
    EXPECT_FALSE(test::fileExists(fixture.outputPath()));

    fixture.tables.chapters.pop_back(); // exactly 65535 records
    reports.clear();
    std::string book = fixture.write();
    ASSERT_FALSE(book.empty());
    EXPECT_EQ(u16At(book, 76), 65535);
    EXPECT_EQ(u32At(book, 78 + 8 * 65534 + 4), 0x006F8000u + 65534);
    readBack(book);

    fixture.tables.chapters.clear();
    fixture.addImage("plain.png", 1, 1);
    fixture.tables.images.entries.back().dataSize = 0;
    reports.clear();
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E The book could not be written: an image has no converted "
                                       "data. No output file generated."});

    fixture.tables.images.entries.clear();
    fixture.addImage("a-name-of-thirty-two-bytes-x.png", 1, 1);
    reports.clear();
    EXPECT_EQ(fixture.write(), "");
    EXPECT_EQ(reports.lines(),
              std::vector<std::string>{"E Image name \"a-name-of-thirty-two-bytes-x.png\" is "
                                       "longer than 31 characters! Please rename the image."});
}

// Notes whether the writer made its file at all.
class CountingFiles : public FileSystem {
  public:
    std::unique_ptr<FileService> createHidden(const std::string& folder) override {
        ++created;
        return FileSystem::createHidden(folder);
    }
    int created = 0;
};

// The size is known from the record lists alone, so a book too large is refused before its file is made.
TEST(BookWriterTest, RefusesABookPastTheLargestSizeBeforeMakingItsFile) {
    BookFixture fixture;
    fixture.sizes.clear();
    fixture.starts.clear();
    for (uint32_t k = 0; k < 3; ++k) {
        ASSERT_TRUE(fixture.sizes.appendU32(k == 0 ? 0 : 0x80000000u));
        ASSERT_TRUE(fixture.starts.appendU32(k * 8192));
    }
    CountingFiles files;
    test::ReportCollector reports;
    EXPECT_TRUE(failed(writeBook(fixture.input(files))));
    // 128 bytes of database header and record list, 2^32 of text, 132 + 27 + 4 + 9 of the other records.
    EXPECT_EQ(
        reports.lines(),
        std::vector<std::string>{"E The book would be 4294967596 bytes long, more than the 4294967295 bytes "
                                 "a book can hold. No output file generated."});
    EXPECT_EQ(files.created, 0);
}

TEST(BookWriterTest, StringsEndAtTheirFirstNul) {
    BookFixture fixture;
    fixture.tables.chapters = {{0, std::string("Cut\0here", 8)}};
    fixture.bookName = std::string("Tide\0x", 6);
    std::string book = fixture.write();
    EXPECT_EQ(recordBytes(book, 2), std::string("\0\0\0\0Cut\0", 8));
    EXPECT_EQ(book.substr(0, 32), "Tide" + std::string(28, '\0'));
    readBack(book);
}

} // namespace
} // namespace quillery
