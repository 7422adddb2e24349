#include "build/source_text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillery {
namespace {

std::string mapped(std::string text) {
    size_t length = mapSourceText(text.data(), text.size());
    return text.substr(0, length);
}

TEST(MapSourceTextTest, NormalisesLineEndsAndDropsLowControlBytes) {
    test::ReportCollector reports;
    EXPECT_EQ(std::string("A\nB\nC\n\n"), mapped("A\r\nB\rC\n\r"));
    EXPECT_EQ(std::string("ab\tc\x0B\x0C\x1F\x7F"), mapped(std::string("a\0b\x07\t\x08"
                                                                       "c\x0B\x0C\x1F\x7F",
                                                                       11)));
    EXPECT_EQ("\n", mapped("\r"));
    EXPECT_EQ("", mapped(""));
    EXPECT_TRUE(reports.lines().empty());
}

TEST(MapSourceTextTest, WarnsOnceForNonAsciiAndForEveryEuroSign) {
    test::ReportCollector reports;
    EXPECT_EQ("\x80 \x80\xE9\x80", mapped("\x80 \x80\xE9\x80"));
    EXPECT_EQ((std::vector<std::string>{
                  "W Non-ASCII characters in file; attempting to map them",
                  "W The Euro symbol may not be on all Tarn OS devices",
                  "W The Euro symbol may not be on all Tarn OS devices",
                  "W The Euro symbol may not be on all Tarn OS devices",
              }),
              reports.lines());
}

TEST(MapSourceTextTest, UnmappableBytesAreReportedWithRawExcerptAndKept) {
    test::ReportCollector reports;
    EXPECT_EQ("abcd\n\x99z", mapped("abcd\r\n\x99z"));
    ASSERT_EQ(2u, reports.lines().size());
    // The excerpt starts at the first byte (fewer than 40 lie before) and holds the bytes as read.
    EXPECT_EQ("W Unmappable character in string \"abcd\r\n\x99z\"", reports.lines()[1]);
}

TEST(MapSourceTextTest, ExcerptIsFortyBytesBeforeAndSeventyNineInAll) {
    // Every CR LF before the byte is rewritten in place; the excerpt still shows the raw bytes.
    std::string before;
    for (int i = 0; i < 30; ++i) {
        before += "x\r\n";
    }
    std::string after(100, 'y');
    test::ReportCollector reports;
    std::string text = before + "\x8E" + after;
    mapped(text);
    ASSERT_EQ(2u, reports.lines().size());
    std::string expected = text.substr(before.size() - 40, 79);
    EXPECT_EQ("W Unmappable character in string \"" + expected + "\"", reports.lines()[1]);
}

TEST(MapSourceTextTest, ExcerptHoldsTheRawBytesAfterRunsOfEveryLength) {
    // Runs of plain bytes of any length between the CRs, so that the kept raw bytes wrap around their store
    // at every offset.
    for (size_t line = 1; line <= 90; line += 7) {
        for (size_t lines = 1; lines <= 5; ++lines) {
            std::string text;
            for (size_t k = 0; k < lines; ++k) {
                for (size_t i = 0; i < line + k; ++i) {
                    text += static_cast<char>('a' + (i + 3 * k) % 26);
                }
                text += "\r\n";
            }
            size_t at = text.size();
            text += "\x8E" + std::string(100, 'y');
            test::ReportCollector reports;
            mapped(text);
            ASSERT_EQ(2u, reports.lines().size());
            size_t before = std::min<size_t>(at, 40);
            EXPECT_EQ("W Unmappable character in string \"" + text.substr(at - before, 79) + "\"",
                      reports.lines()[1])
                << line << " " << lines;
        }
    }
}

TEST(MapSourceTextTest, ExcerptEndsAtANulByte) {
    test::ReportCollector reports;
    mapped(std::string("ab\0c\x90", 5));
    ASSERT_EQ(2u, reports.lines().size());
    EXPECT_EQ("W Unmappable character in string \"ab\"", reports.lines()[1]);
}

TEST(MapSourceTextTest, ReportsCarryTheLineAndColumnOfTheMappedText) {
    test::ReportCollector reports;
    mapped(std::string("one\r\ntwo\r\n\0thr\x80", 15));
    ASSERT_EQ(2u, reports.reports().size());
    ASSERT_TRUE(reports.reports()[1].place.has_value());
    EXPECT_EQ(3u, reports.reports()[1].place->line);
    EXPECT_EQ(4u, reports.reports()[1].place->column);
}

TEST(ReadSourceTest, ReadsRegularFilesAndRefusesEverythingElse) {
    test::ScratchDir dir;
    test::writeFile(dir.file("book.tml"), std::string("x\0y", 3));
    SourceText text;
    ASSERT_EQ(ReadSourceResult::Ok, readSource(dir.file("book.tml"), text));
    EXPECT_EQ(std::string("x\0y", 3), std::string(text.view()));

    test::writeFile(dir.file("empty.tml"), "");
    ASSERT_EQ(ReadSourceResult::Ok, readSource(dir.file("empty.tml"), text));
    EXPECT_EQ(0u, text.length);

    EXPECT_EQ(ReadSourceResult::CannotOpen, readSource(dir.file("missing.tml"), text));
    EXPECT_EQ(ReadSourceResult::CannotOpen, readSource(dir.path(), text));
    EXPECT_EQ(ReadSourceResult::CannotOpen, readSource("/dev/null", text));
}

} // namespace
} // namespace quillery
