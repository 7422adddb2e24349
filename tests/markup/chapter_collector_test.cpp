// The chapter collector: titles of chapters and headings, their cuts, mappings and limits.
#include "markup/chapter_collector.h"
#include "paginate_support.h"
#include "tdb/book_format.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quillery::test {
namespace {

using Lines = std::vector<std::string>;

size_t countStartingWith(const Lines& lines, const std::string& prefix) {
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.compare(0, prefix.size(), prefix) == 0;
    }));
}

TEST(ChaptersTest, AChapterOfLevelOneIsIndentedByFourSpaces) {
    Paginated book = paginate("ab\\C1=\"Intro\"cd");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    ASSERT_EQ(1u, book.tables.chapters.size());
    EXPECT_EQ("    Intro", book.tables.chapters[0].title);
    EXPECT_EQ(2u, book.tables.chapters[0].position);
}

TEST(ChaptersTest, ALongTitleIsCutToEightyCharacters) {
    std::string title(85, 'x');
    Paginated book = paginate("\\C0=\"" + title + "\"tail");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_EQ((Lines{"W Chapter name is > 80 characters; mismatched chapter markers? Begins with \"" +
                     std::string(40, 'x') + "\""}),
              book.problems());
    ASSERT_EQ(1u, book.tables.chapters.size());
    EXPECT_EQ(std::string(80, 'x'), book.tables.chapters[0].title);

    Paginated spanning = paginate("\\C0=\"" + title + "\"tail", 0, {50});
    EXPECT_EQ("E Chapter tag spans text records -- reduce chapter to 80 characters. \"" +
                  std::string(40, 'x') + "\"",
              spanning.problems().at(0));
    EXPECT_EQ(Verdict::Failed, spanning.verdict);
}

TEST(ChaptersTest, ChapterSyntaxErrors) {
    Paginated level = paginate("\\C7=\"T\"");
    EXPECT_EQ((Lines{"E Chapter syntax is \\Cn (0 <= n <= 4); you have \"C7=\"T\""}), level.problems());
    EXPECT_EQ("T", level.tables.chapters.at(0).title);
    Paginated noQuote = paginate("\\C0 abc");
    EXPECT_EQ((Lines{"E Chapter syntax is \\Cx=\"chapter title\"; you have \"C0 ab\""}), noQuote.problems());
    EXPECT_TRUE(noQuote.tables.chapters.empty());
    Paginated tags = paginate("\\C0=\"a\\ib\\\\c\"");
    EXPECT_EQ((Lines{"E Tags are not allowed inside \\C definitions!",
                     "E Tags are not allowed inside \\C definitions!"}),
              tags.problems());
    EXPECT_EQ("ab\\c", tags.tables.chapters.at(0).title);
    Paginated returns = paginate("\\C0=\"a\nb\"");
    EXPECT_EQ((Lines{"E Returns are not permitted in \\C definitions.  See '\\C0=\"a\nb\"'."}),
              returns.problems());
    EXPECT_EQ("a b", returns.tables.chapters.at(0).title);
}

TEST(ChaptersTest, UnicodeCharactersInTitlesAreTransliterated) {
    Paginated book = paginate("\\C0=\"a\\U0107b\\U02BF\"");
    EXPECT_EQ(
        (Lines{
            "W Unicode characters currently aren't allowed in chapter or index specifications! Mapping them. "
            "Begins with \"\"a\\U0107b\\U02BF\"\"",
            "W Unicode characters currently aren't allowed in chapter or index specifications! Mapping them. "
            "Begins with \"7b\\U02BF\"\""}),
        book.problems());
    EXPECT_EQ("acb", book.tables.chapters.at(0).title);
}

TEST(ChaptersTest, AnUnmappedCodePointBecomesASpace) {
    Paginated book = paginate("\\C0=\"a\\U00E9b\"");
    std::string error = "E Don't know how to map unicode character 00E9";
    Lines problems = book.problems();
    ASSERT_EQ(3u, problems.size());
    EXPECT_EQ(error, problems[1]);
    EXPECT_EQ(error, problems[2]);
    EXPECT_EQ("a b", book.tables.chapters.at(0).title);
}

TEST(ChaptersTest, ABadDigitMapsTheValueReadSoFar) {
    Paginated book = paginate("\\C0=\"\\U00e9\"");
    Lines problems = book.problems();
    ASSERT_EQ(4u, problems.size());
    EXPECT_EQ("E Error in \\U specification: \"\\U00e9\"", problems[1]);
    EXPECT_EQ("E Don't know how to map unicode character 0000", problems[2]);
    EXPECT_EQ("E Don't know how to map unicode character 0000", problems[3]);
}

TEST(ChaptersTest, OnlyTheFirstHundredMappingWarningsArePrinted) {
    Paginated book = paginate(repeat("\\C0=\"\\U0107\"", 102));
    Lines problems = book.problems();
    EXPECT_EQ(100u, countStartingWith(problems, "W Unicode characters"));
    EXPECT_EQ(1u, countStartingWith(problems, "W Showing only the first 100 mapping warnings."));
    EXPECT_EQ(101u, problems.size());
}

TEST(ChaptersTest, AHeadingClosedAtAnotherLevelIsStillListed) {
    Paginated book = paginate("\\X1Head\\X2");
    EXPECT_EQ((Lines{"E \"\\X2\" does not match closing \\X"}), book.problems());
    EXPECT_EQ("    Head", book.tables.chapters.at(0).title);
}

TEST(ChaptersTest, HeadingTitlesDropTagsAndSkipArguments) {
    Paginated book = paginate("\\xA\\iB\\i\\Q=\"n\"C\\x");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_EQ("ABC", book.tables.chapters.at(0).title);
}

TEST(ChaptersTest, ACutTitleSkipsTheRestOfItsTagAndResumesAfterTheQuote) {
    // Whatever stands after the cut is neither collected nor scanned: the illegal \y is never seen.
    Paginated book = paginate("\\C1=\"" + std::string(77, 'x') + "\\yz\"\\itail\\i");
    EXPECT_EQ((Lines{"W Chapter name is > 80 characters; mismatched chapter markers? Begins with \"" +
                     std::string(4, ' ') + std::string(36, 'x') + "\""}),
              book.problems());
    EXPECT_EQ("    " + std::string(76, 'x'), book.tables.chapters.at(0).title);
}

TEST(ChaptersTest, LongHeadingAndIndexTitlesWarnInTheFirstPassOnly) {
    // Past 80 characters the closing level is no longer checked.
    Paginated heading = paginate("\\X0" + std::string(85, 'h') + "\\X1");
    EXPECT_EQ((Lines{"W Chapter name is > 80 characters; mismatched chapter markers? Begins with \"" +
                     std::string(40, 'h') + "\""}),
              heading.problems());
    EXPECT_EQ(std::string(80, 'h'), heading.tables.chapters.at(0).title);

    Paginated item = paginate("\\I" + std::string(85, 'i') + "\\I", kFlagDictionary);
    EXPECT_EQ((Lines{"W Indexed item is > 80 characters; mismatched index markers? Begins with \"" +
                     std::string(40, 'i') + "\""}),
              item.problems());
    EXPECT_EQ(std::string(80, 'i'), item.tables.index.textOf(item.tables.index.entries.at(0)));
}

TEST(ChaptersTest, HeadingTitlesJoinLinesAndKeepOnlyCharacters) {
    Paginated book = paginate("\\X1\nOne\\\\\n\n\\a065\\U0107\\x\\X1 rest");
    EXPECT_EQ("    One Ac", book.tables.chapters.at(0).title);
    // An empty level-0 chapter is dropped; an empty level-1 chapter keeps its indentation.
    Paginated empty = paginate("\\C0=\"\"\\C1=\"\"");
    ASSERT_EQ(1u, empty.tables.chapters.size());
    EXPECT_EQ("    ", empty.tables.chapters[0].title);
}

TEST(ChaptersTest, AHeadingInMidPageWhoseLineDoesNotFitStartsTheNextPageOnce) {
    // The line holding "abc" moves to a new page, then the heading breaks the page again at its tag.
    Paginated book = paginate(repeat("b\n", 13) + "abc\\xTitle\\x def");
    EXPECT_EQ((std::vector<uint32_t>{0, 26, 29}), book.smallPositions());
    ASSERT_EQ(1u, book.tables.chapters.size());
    EXPECT_EQ(29u, book.tables.chapters[0].position);
    EXPECT_EQ("Title", book.tables.chapters[0].title);
}

TEST(ChaptersTest, ChaptersOfALineLaidOutAgainAreListedOnceEach) {
    Paginated two = paginate(repeat("b\n", 13) + "\\C0=\"A\"\\C0=\"B\"abc");
    ASSERT_EQ(2u, two.tables.chapters.size());
    EXPECT_EQ("A", two.tables.chapters[0].title);
    EXPECT_EQ("B", two.tables.chapters[1].title);

    // The line breaks before the two tags, and the line they start on moves to the next page: they are
    // scanned three times, and A B A A B must not come out as A B A B.
    Paginated moved = paginate(repeat("b\n", 12) + "word \\C0=\"A\"\\C0=\"B\"" + std::string(40, 'm'));
    EXPECT_EQ((std::vector<uint32_t>{0, 29}), moved.smallPositions());
    ASSERT_EQ(2u, moved.tables.chapters.size());
    EXPECT_EQ(29u, moved.tables.chapters[0].position);
    EXPECT_EQ("A", moved.tables.chapters[0].title);
    EXPECT_EQ(36u, moved.tables.chapters[1].position);
    EXPECT_EQ("B", moved.tables.chapters[1].title);
}

TEST(ChaptersTest, TitlesCutOffByTheEndOfTheTextEndThere) {
    for (uint32_t flags : {0u, kFlagDictionary}) {
        for (const char* text : {"\\X1ab\\U0", "\\C0=\"\\U00", "\\x\\Q=\"", "\\x\\T=\"1\"", "\\C0=\"a\\",
                                 "\\X", "\\Iab\\a1", "\\I\\q=\"#", "\\I",
                                 "\\C0=\""
                                 "\n",
                                 "\\X1\n\n\\X"}) {
            Paginated book = paginate(text, flags);
            EXPECT_LE(book.tables.chapters.size(), 1u) << text;
            for (const ChapterEntry& chapter : book.tables.chapters) {
                EXPECT_LE(chapter.position, std::string(text).size()) << text;
            }
        }
    }
    Paginated unclosed = paginate("\\X2abc");
    EXPECT_EQ("        abc", unclosed.tables.chapters.at(0).title);
}

TEST(ChaptersTest, FinishingKeepsEachTitleAndPositionOnce) {
    RecordBuffer starts(4);
    ScanReporter report("");
    ScanContext context{"", starts, report};
    ChapterTable table = {{1, "A"}, {2, "B"}, {1, "A"}, {2, "B"}, {3, ""}, {4, "A"}};
    size_t notKept = 0;
    ChapterCollector chapters(context, table, notKept);
    chapters.finish();
    ASSERT_EQ(3u, table.size());
    EXPECT_EQ("A", table[0].title);
    EXPECT_EQ("B", table[1].title);
    EXPECT_EQ(4u, table[2].position);
}

// Past the most chapters a book can hold, entries are counted instead of kept: the count still leaves out
// empty titles and lines laid out again, so that the refusal names the number of records as before.
TEST(ChaptersTest, ChaptersPastTheLimitAreCountedNotKept) {
    std::string text;
    for (size_t i = 0; i < kMaxChapters + 2; ++i) {
        text += "\\C0=\"c\"\\C0=\"\"";
    }
    // Lines that move to the next page near the end, where the entries are no longer kept.
    text += repeat("b\n", 12) + "word \\C0=\"A\"\\C0=\"B\"" + std::string(40, 'm');
    Paginated book = paginate(text);
    ASSERT_EQ(kMaxChapters, book.tables.chapters.size());
    EXPECT_EQ(4u, book.tables.chaptersNotKept);
    EXPECT_EQ(0u, book.tables.chapters.back().position % 13);
    EXPECT_EQ("c", book.tables.chapters.back().title);
}
} // namespace
} // namespace quillery::test
