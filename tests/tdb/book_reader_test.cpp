#include "book_fixture.h"
#include "tdb/book_format.h"
#include "tdb/book_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace quillery {
namespace {

using test::recordSpan;
using test::u16At;

// A small book with something in every section, the reference for the corruption cases.
std::string goodBook() {
    static const std::string book = [] {
        test::BookFixture fixture;
        fixture.setText(test::sampleText(9000));
        fixture.tables.smallPages = fixture.pages(3);
        fixture.tables.largePages = fixture.pages(5);
        fixture.tables.chapters = {{0, "One"}, {5000, "Two"}};
        LinkEntry link;
        link.position = 77;
        link.name = "cove";
        fixture.tables.links = {link};
        fixture.addImage("cover.png", 12, 9);
        fixture.tables.index.add(1, 5, "apple");
        fixture.tables.index.add(2, 7, "pear");
        fixture.tables.index.groups = {{"apple", 19, 0}};
        fixture.setBlocks(true, {{"note", "Sidebar body."}});
        fixture.setBlocks(false, {{"f1", "Footnote one."}, {"f2", "Footnote two."}});
        test::ReportCollector quiet;
        return fixture.write();
    }();
    return book;
}

std::string readError(const std::string& bytes) {
    BookContents book;
    std::string error;
    return readBook(bytes, book, error) ? "" : error;
}

void putU16(std::string& bytes, size_t offset, uint16_t value) {
    putU16BE(reinterpret_cast<uint8_t*>(bytes.data()) + offset, value);
}

void putU32(std::string& bytes, size_t offset, uint32_t value) {
    putU32BE(reinterpret_cast<uint8_t*>(bytes.data()) + offset, value);
}

TEST(BookReaderTest, ReadsTheGoodBook) {
    std::string bytes = goodBook();
    ASSERT_FALSE(bytes.empty());
    BookContents book;
    std::string error;
    ASSERT_TRUE(readBook(bytes, book, error)) << error;
    EXPECT_EQ(book.name, "The Lamp on Gull Point");
    EXPECT_EQ(book.text.size(), 2u);
    EXPECT_EQ(book.textLength(), 9000u);
    EXPECT_EQ(book.largePages.size(), 5u);
    EXPECT_EQ(book.index[0].entries[1].text, "pear");
    EXPECT_EQ(book.footnotes[1].name, "f2");
    EXPECT_EQ(book.records.size(), u16At(bytes, 76));
    ASSERT_EQ(book.images.size(), 1u);
    EXPECT_EQ(book.images[0].chunkTypes, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
}

// The record sizes agree with the streams here: only the chunk walk can find the fault.
TEST(BookReaderTest, AnImageStreamMustEndWithIendAtTheEndOfItsRecord) {
    std::string whole = test::fakePng(4, 2);
    std::string withoutEnd = whole.substr(0, whole.size() - 12);
    const std::pair<std::string, std::string> cases[] = {
        {whole, ""},
        {withoutEnd, "record 2 (image) has a PNG stream that ends without its IEND chunk"},
        {withoutEnd + "abc", "record 2 (image) has a PNG stream that ends without its IEND chunk"},
        {whole + "junk", "record 2 (image) has 4 bytes after the IEND chunk of its PNG stream"},
    };
    for (const auto& [png, error] : cases) {
        test::BookFixture fixture;
        fixture.addImage("a.png", 4, 2, png);
        test::ReportCollector quiet;
        EXPECT_EQ(readError(fixture.write()), error);
    }
}

TEST(BookReaderTest, EveryShortenedBookIsRefused) {
    std::string bytes = goodBook();
    for (size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_NE(readError(bytes.substr(0, length)), "") << length;
    }
    EXPECT_EQ(readError(bytes + '\0'), "record 18 is not the marker \"MeTaInFo\" and a NUL");
}

// Every byte of the container and of the book header record is checked; elsewhere a damaged byte either
// breaks an invariant or lands in free content (text of a string, a style word), and nothing crashes.
TEST(BookReaderTest, DamagedBytesAreFoundOrHarmless) {
    std::string bytes = goodBook();
    size_t firstTextRecord = recordSpan(bytes, 1).first;
    size_t refused = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::string damaged = bytes;
            damaged[at] = static_cast<char>(damaged[at] ^ mask);
            bool ok = readError(damaged).empty();
            refused += !ok;
            bool inNameText = at <= 22; // the name and its terminator (a longer name is still a name)
            // The random tag is two 15-bit values: only the top bit of each half is checked.
            size_t tag = recordSpan(bytes, 0).first + 60;
            bool freeTagBit =
                (at == tag + 1 || at == tag + 3) || ((at == tag || at == tag + 2) && mask == 0x01);
            if (at < firstTextRecord && !inNameText && !freeTagBit) {
                EXPECT_FALSE(ok) << "byte " << at << " mask " << int(mask);
            }
        }
    }
    EXPECT_GT(refused, bytes.size() * 2);
}

TEST(BookReaderTest, ContainerViolationsAreNamed) {
    std::string bytes = goodBook();
    size_t count = u16At(bytes, 76);

    EXPECT_EQ(readError(""), "the file is 0 bytes long, shorter than the 78-byte database header");

    std::string damaged = bytes;
    putU16(damaged, 76, 0);
    EXPECT_EQ(readError(damaged), "the record count is 0");

    damaged = bytes;
    putU16(damaged, 76, 65535);
    EXPECT_EQ(readError(damaged),
              "the record list of 65535 records and its gap need 524360 bytes, the file has " +
                  std::to_string(bytes.size()));

    damaged = bytes;
    putU32(damaged, 78 + 8 * 3, test::u32At(bytes, 78 + 8 * 2) - 1); // record 3 before record 2
    EXPECT_EQ(readError(damaged), "record 3 starts at offset " +
                                      std::to_string(recordSpan(bytes, 2).first - 1) +
                                      ", outside the records (" + std::to_string(recordSpan(bytes, 2).first) +
                                      " to " + std::to_string(bytes.size()) + ", after record 2)");

    damaged = bytes;
    putU32(damaged, 78 + 8 * (count - 1), static_cast<uint32_t>(bytes.size() + 1));
    EXPECT_NE(readError(damaged).find("outside the records"), std::string::npos);

    damaged = bytes;
    putU32(damaged, 78 + 8 * 4 + 4, 0x016F8004); // attribute byte set
    EXPECT_EQ(readError(damaged), "record 4 has attributes and unique id 0x016F8004, expected 0x006F8004");

    damaged = bytes;
    damaged.replace(60, 4, "BOOK");
    EXPECT_EQ(readError(damaged), "the database type is not \"QbLk\" or \"WgHy\"");

    damaged = bytes;
    damaged.replace(0, 32, std::string(32, 'x'));
    EXPECT_EQ(readError(damaged), "the database name has no terminating NUL within its 32 bytes");

    damaged = bytes;
    damaged[40 + 3] ^= 2; // modification date no longer creation + 1
    EXPECT_EQ(readError(damaged), "the modification date is 1000000003, expected 1000000001");
}

TEST(BookReaderTest, RecordViolationsAreNamed) {
    std::string bytes = goodBook();
    size_t header = recordSpan(bytes, 0).first;

    std::string damaged = bytes;
    putU16(damaged, header + 32, u16At(bytes, header + 32) + 1); // chapters start one record late
    EXPECT_EQ(readError(damaged), "the chapters section starts at record 6, expected 5");

    damaged = bytes;
    putU16(damaged, header + 8, 1334); // page count that needs two records
    EXPECT_EQ(readError(damaged),
              "the page-table record counts (1, 1) do not match the page counts (1334, 5)");

    // The text-length record promises a different length for text record 1.
    size_t lengths = recordSpan(bytes, u16At(bytes, header + 52)).first;
    damaged = bytes;
    putU16(damaged, lengths, u16At(bytes, lengths) - 1);
    EXPECT_NE(readError(damaged).find("record 1 (text) inflates to"), std::string::npos);

    // The sidebar directory says its one sidebar has two records.
    size_t sidebars = recordSpan(bytes, u16At(bytes, header + 50)).first;
    damaged = bytes;
    putU16(damaged, sidebars, 2);
    EXPECT_EQ(readError(damaged),
              "record 12 (sidebars directory) accounts for 2 text records in 1 entries, the "
              "section has 1");
    damaged = bytes;
    damaged[sidebars + 2] = '\xFF'; // name length past the record
    EXPECT_EQ(readError(damaged), "record 12 (sidebars directory) ends inside an entry");

    // A chapter whose position lies past the end of the text.
    size_t chapter = recordSpan(bytes, u16At(bytes, header + 32)).first;
    damaged = bytes;
    putU32(damaged, chapter, 9001);
    EXPECT_EQ(readError(damaged), "record 5 (chapters) has position 9001 past the end of the text (9000)");

    // An image whose header disagrees with its PNG stream.
    size_t image = recordSpan(bytes, u16At(bytes, header + 40)).first;
    damaged = bytes;
    putU16(damaged, image + 58, 13);
    EXPECT_EQ(readError(damaged), "record 8 (image) is 13x9, but its PNG stream is 12x9");

    // The PNG stream inside the image record: 8 signature bytes, IHDR (25), IDAT (12 + 20), IEND (12).
    size_t png = image + 62;
    damaged = bytes;
    damaged[png + 8 + 25 + 8 + 3] ^= 0x10; // an IDAT data byte
    EXPECT_EQ(readError(damaged), "record 8 (image) has a PNG chunk IDAT whose CRC does not match");
    damaged = bytes;
    putU32(damaged, png + 8 + 25, 21); // IDAT one byte longer than it is
    EXPECT_EQ(readError(damaged), "record 8 (image) has a PNG chunk IDAT whose CRC does not match");
    damaged = bytes;
    putU32(damaged, png + 8 + 25, 0xFFFFFFF0);
    EXPECT_EQ(readError(damaged),
              "record 8 (image) has a PNG chunk at byte 33 that runs past the end of the record");
    damaged = bytes;
    damaged[png + 8 + 25 + 32 + 4] = 'X'; // IEND renamed: the stream ends without it
    EXPECT_EQ(readError(damaged), "record 8 (image) has a PNG chunk XEND whose CRC does not match");

    // A page whose position does not match its record and offset.
    size_t page = recordSpan(bytes, u16At(bytes, header + 36)).first + 12;
    damaged = bytes;
    putU32(damaged, page + 6, test::u32At(bytes, page + 6) + 1);
    EXPECT_NE(readError(damaged).find("page 1 of the small-font pages has position"), std::string::npos);
}

// A book of two text records whose small-font page table holds `pages` (page indices numbered here).
struct PagedBook {
    test::BookFixture fixture;
    uint32_t boundary = 0; // where text record 2 starts
    uint32_t length = 9000;

    PagedBook() {
        fixture.setText(test::sampleText(length));
        boundary = fixture.starts.u32At(1);
    }

    std::string readErrorWith(const std::vector<std::pair<uint16_t, uint16_t>>& places) {
        PageTable pages;
        for (const auto& [record, offset] : places) {
            PageEntry page;
            page.pageIndex = static_cast<uint16_t>(pages.size());
            page.record = record;
            page.offset = offset;
            page.position = (record == 1 ? 0 : boundary) + offset;
            pages.push_back(page);
        }
        fixture.tables.smallPages = pages;
        fixture.tables.largePages = fixture.pages(1);
        return readError(fixture.write());
    }
};

TEST(BookReaderTest, PageTablesMustRunForwardThroughTheTextAsTheWriterPlacesThem) {
    PagedBook book;
    const auto end2 = static_cast<uint16_t>(book.length - book.boundary);
    const auto end1 = static_cast<uint16_t>(book.boundary);
    // In order, a page at the boundary as the end of record 1, and a last page at the very end.
    EXPECT_EQ("", book.readErrorWith({{1, 0}, {1, 100}, {1, end1}, {2, 5}, {2, end2}}));
    EXPECT_EQ("", book.readErrorWith({{1, 0}, {1, 0}, {2, 5}}));
    // Pages 0 and 2 swapped, a last page back at 0, a first page that is not at 0.
    EXPECT_EQ("page 0 of the small-font pages starts at position 200, not at the start of the text",
              book.readErrorWith({{1, 200}, {1, 100}, {1, 0}}));
    EXPECT_EQ("page 2 of the small-font pages starts at position 0, before page 1 at 100",
              book.readErrorWith({{1, 0}, {1, 100}, {1, 0}}));
    // Only the last page may start at the end of the text.
    EXPECT_EQ("page 1 of the small-font pages starts at position 9000, at the end of the text (9000)",
              book.readErrorWith({{1, 0}, {2, end2}, {2, end2}}));
    // A page at the boundary is the end of the earlier record, never the start of the later one.
    EXPECT_EQ("page 1 of the small-font pages at position " + std::to_string(book.boundary) +
                  " is given as text record 2 offset 0, expected text record 1 offset " +
                  std::to_string(book.boundary),
              book.readErrorWith({{1, 0}, {2, 0}}));
}

TEST(BookReaderTest, TheEmptyBookHasOnePageAtTheStartOfNoText) {
    test::BookFixture fixture;
    fixture.setText("");
    fixture.tables.smallPages = fixture.pages(1);
    fixture.tables.largePages = fixture.pages(1);
    EXPECT_EQ("", readError(fixture.write()));
}

// A sidebar whose one text record holds `body` compressed whole, however long.
std::string bookWithSidebarRecord(const std::string& body) {
    test::BookFixture fixture;
    std::string compressed(compressBound(static_cast<uLong>(body.size())), '\0');
    uLongf size = static_cast<uLongf>(compressed.size());
    EXPECT_EQ(Z_OK, compress(reinterpret_cast<Bytef*>(compressed.data()), &size,
                             reinterpret_cast<const Bytef*>(body.data()), static_cast<uLong>(body.size())));
    compressed.resize(size);
    fixture.sidebarTemp = std::make_unique<FileService>(fixture.dir.file("book.tml.sid"));
    EXPECT_EQ(0, fixture.sidebarTemp->createNew());
    EXPECT_EQ(0, fixture.sidebarTemp->write(compressed.data(), compressed.size()));
    EXPECT_TRUE(fixture.sidebarSizes.appendU32(0));
    EXPECT_TRUE(fixture.sidebarSizes.appendU32(static_cast<uint32_t>(size)));
    fixture.tables.sidebars.add("long").recordCount = 1;
    fixture.tables.smallPages = fixture.pages(1);
    fixture.tables.largePages = fixture.pages(1);
    return fixture.write();
}

TEST(BookReaderTest, ASidebarRecordHoldsAtMost8192Bytes) {
    EXPECT_EQ("", readError(bookWithSidebarRecord(std::string(8192, 'x'))));
    for (size_t length : {8193u, 8194u, 20000u}) {
        std::string book = bookWithSidebarRecord(std::string(length, 'x'));
        ASSERT_FALSE(book.empty());
        std::string error = readError(book);
        EXPECT_NE(std::string::npos, error.find("(text)")) << error;
        EXPECT_NE(std::string::npos, error.find("8192")) << error;
    }
}

} // namespace
} // namespace quillery
