#include "build/header_fields.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

BookInfo parsed(std::string_view window) {
    BookInfo info;
    info.publisher = WideString(u"stale");
    parseHeaderFields(window, info);
    return info;
}

TEST(HeaderFieldsTest, ReadsKeysAnywhereAndEmptiesMissingOnes) {
    BookInfo info = parsed("TITLE=\"The Tide\" AUTHOR=\"A. Writer\"\nText");
    EXPECT_EQ(u"The Tide", info.title.text());
    EXPECT_EQ(u"A. Writer", info.author.text());
    EXPECT_TRUE(info.publisher.empty());
    EXPECT_TRUE(info.isbn.empty());
    EXPECT_TRUE(info.copyright.empty());

    info = parsed("COPYRIGHT=\"(c) me\"\r\nEISBN=\"123\"\nPUBLISHER=\"P\"\nTITLE=\r\n\"Next line\"");
    EXPECT_EQ(u"Next line", info.title.text());
    EXPECT_EQ(u"123", info.isbn.text());
    EXPECT_EQ(u"P", info.publisher.text());
    EXPECT_EQ(u"(c) me", info.copyright.text());
}

TEST(HeaderFieldsTest, FirstOccurrenceCountsEvenInsideAWord) {
    EXPECT_EQ(u"x", parsed("SUBTITLE=\"x\" TITLE=\"y\"").title.text());
    EXPECT_EQ(u"t", parsed("TTITLE=\"t\"").title.text());
    EXPECT_TRUE(parsed("title=\"lower\"").title.empty());
    EXPECT_TRUE(parsed("TITLE=\"unclosed").title.empty());
}

TEST(HeaderFieldsTest, DecodesEscapes) {
    EXPECT_EQ(u"Caf\u00E9", parsed("TITLE=\"Caf\\a233\"").title.text());
    EXPECT_EQ(u"a\\b", parsed("TITLE=\"a\\\\b\"").title.text());
    EXPECT_EQ(u",", parsed("TITLE=\"\\a300\"").title.text()); // modulo 256
    // A cut-off escape is kept as it stands, never read past the value.
    EXPECT_EQ(u"x\\a23", parsed("TITLE=\"x\\a23\"").title.text());
    // A NUL byte ends the value.
    EXPECT_EQ(u"ab", parsed("TITLE=\"ab\\a000cd\"").title.text());
}

TEST(HeaderFieldsTest, OnlyTheFirst16384BytesAreSearched) {
    std::string window(16384 - 10, ' ');
    EXPECT_TRUE(parsed(window + "TITLE=\"late\"").title.empty());
    EXPECT_EQ(u"ok", parsed(std::string(16384 - 12, ' ') + "TITLE=\"ok\"").title.text());
}

TEST(HeaderFieldsTest, UnreadableOrEmptyFileLeavesInfoUnchanged) {
    test::ScratchDir dir;
    BookInfo info;
    info.title = WideString(u"kept");
    readHeaderFields(dir.file("missing.tml"), info);
    readHeaderFields(dir.path(), info);
    test::writeFile(dir.file("empty.tml"), "");
    readHeaderFields(dir.file("empty.tml"), info);
    EXPECT_EQ(u"kept", info.title.text());

    test::writeFile(dir.file("book.tml"), "AUTHOR=\"only\"");
    readHeaderFields(dir.file("book.tml"), info);
    EXPECT_TRUE(info.title.empty());
    EXPECT_EQ(u"only", info.author.text());
}

} // namespace
} // namespace quillery
