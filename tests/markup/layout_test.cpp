// Pagination: where lines and pages end, seen through the page tables.
#include "paginate_support.h"

#include <gtest/gtest.h>

namespace quillery::test {
namespace {

using Positions = std::vector<uint32_t>;

// Twelve one-letter lines: the next two lines decide whether page 1 begins.
const std::string kTwelveLines = repeat("b\n", 12);

TEST(LayoutTest, AnEmptyTextHasPageZeroInBothTables) {
    Paginated book = paginate("");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    ASSERT_EQ(1u, book.tables.smallPages.size());
    ASSERT_EQ(1u, book.tables.largePages.size());
    EXPECT_EQ(1, book.tables.smallPages[0].record);
    EXPECT_EQ(0, book.tables.smallPages[0].offset);
    EXPECT_EQ(0, book.tables.smallPages[0].style);
    EXPECT_EQ(2 << 3, book.tables.largePages[0].style);
    EXPECT_EQ((std::vector<std::string>{"N Generating page tables for the small font...",
                                        "N Generating page tables for the large font..."}),
              book.lines);
}

TEST(LayoutTest, AFortyLetterWordIsCutAfterTheThirtyFirstLetter) {
    // 31 letters of width 5 make 155 pixels; 13 such lines fill a page.
    Paginated book = paginate(std::string(31 * 13 + 40, 'a'));
    EXPECT_EQ((Positions{0, 31 * 13}), book.smallPositions());
}

TEST(LayoutTest, ThirteenLinesFitAndTheFourteenthStartsAPage) {
    Paginated book = paginate(repeat("b\n", 14));
    EXPECT_EQ((Positions{0, 26}), book.smallPositions());
    // Large font lines are 14 high: ten fit.
    EXPECT_EQ((Positions{0, 20}), book.largePositions());
}

TEST(LayoutTest, TheLineBreaksBeforeTheWordThatOverflowsNotInTheSpaces) {
    // 30 letters (150 pixels), ten spaces (which would reach 170) and a word: the word moves to line 14.
    std::string text = kTwelveLines + std::string(30, 'a') + std::string(10, ' ') + "bbbb";
    Paginated book = paginate(text);
    EXPECT_EQ((Positions{0, 24 + 40}), book.smallPositions());
}

TEST(LayoutTest, BlankLinesAtTheTopOfAPageTakeNoRoom) {
    Paginated book = paginate("\n\n\n" + repeat("b\n", 14));
    EXPECT_EQ((Positions{0, 3 + 26}), book.smallPositions());
}

TEST(LayoutTest, BlankLinesAfterTextTakeElevenPixelsEach) {
    // One line of text, eleven blank lines, then the 13th and 14th lines.
    Paginated book = paginate("b\n" + std::string(11, '\n') + "b\nb\n");
    EXPECT_EQ((Positions{0, 2 + 11 + 2}), book.smallPositions());
}

TEST(LayoutTest, LargeBoldLinesAreFifteenPixelsHigh) {
    // "\Bab\B\n" is 7 bytes; in the large font nine lines of 15 fit (135), the tenth does not.
    Paginated book = paginate(repeat("\\Bab\\B\n", 10));
    EXPECT_EQ((Positions{0, 9 * 7}), book.largePositions());
    EXPECT_EQ((Positions{0}), book.smallPositions()); // small bold lines are 11 high
}

TEST(LayoutTest, ALineOfSuperscriptStillTakesEleven) {
    Paginated book = paginate(repeat("\\Spab\\Sp\n", 14));
    EXPECT_EQ((Positions{0, 13 * 9}), book.smallPositions());
    EXPECT_EQ((Positions{0, 13 * 9}), book.largePositions());
}

TEST(LayoutTest, APageBreakDirectlyAfterAnotherMakesOnePage) {
    Paginated book = paginate("abc\\p\\pdef");
    EXPECT_EQ((Positions{0, 5}), book.smallPositions());
    EXPECT_EQ((Positions{0, 5}), book.largePositions());
    Paginated atStart = paginate("\\p\\pdef");
    EXPECT_EQ((Positions{0}), atStart.smallPositions());
}

TEST(LayoutTest, APageBreakAsTheLastTagAddsAPageAtTheEndOfTheText) {
    Paginated book = paginate("abc\\p");
    ASSERT_EQ((Positions{0, 5}), book.smallPositions());
    EXPECT_EQ(1, book.tables.smallPages[1].pageIndex);
    EXPECT_EQ(1, book.tables.smallPages[1].record);
    EXPECT_EQ(5, book.tables.smallPages[1].offset);
}

TEST(LayoutTest, APageAtARecordBoundaryBelongsToThePreviousRecord) {
    // Record 1 holds bytes 0-9, record 2 the rest; page 1 begins at 10 and page 2 at 13.
    Paginated book = paginate("abcdefgh\\pxy\\pz", 0, {10});
    ASSERT_EQ((Positions{0, 10, 14}), book.smallPositions());
    EXPECT_EQ(1, book.tables.smallPages[1].record);
    EXPECT_EQ(10, book.tables.smallPages[1].offset);
    EXPECT_EQ(2, book.tables.smallPages[2].record);
    EXPECT_EQ(4, book.tables.smallPages[2].offset);
}

TEST(LayoutTest, APageEntryRecordsTheStyleAtTheStartOfTheLineThatMoved) {
    // Italic on, centred: the style word, alignment in bits 0-1 and the font in bits 3-6.
    Paginated book = paginate("\\c\\i" + repeat("b\n", 14));
    ASSERT_EQ(2u, book.tables.smallPages.size());
    EXPECT_EQ(0x8001, book.tables.smallPages[1].style);
    EXPECT_EQ(0x8001 | (2 << 3), book.tables.largePages[1].style);
    // A wrapped line: the page starts at the cut, where italic is on.
    std::string text = kTwelveLines + "\\i" + std::string(36, 'a');
    Paginated wrapped = paginate(text);
    ASSERT_EQ((Positions{0, 24 + 2 + 31}), wrapped.smallPositions());
    EXPECT_EQ(0x8000, wrapped.tables.smallPages[1].style);
}

TEST(LayoutTest, TheIndentedBlockStartsLinesEightPixelsIn) {
    // 8 + 30 letters of 5 = 158 fits; 13 lines of 30 letters fill the page.
    Paginated book = paginate("\\t" + std::string(30 * 13 + 5, 'a'));
    EXPECT_EQ((Positions{0, 2 + 30 * 13}), book.smallPositions());
}

TEST(LayoutTest, ASoftHyphenIsABreakPointWhenAHyphenStillFits) {
    // 28 letters (140) and the soft hyphen (4) fit; the five letters after it go to line 14.
    std::string text = kTwelveLines + std::string(28, 'a') + "\\-aaaaa";
    Paginated book = paginate(text);
    EXPECT_EQ((Positions{0, 24 + 30}), book.smallPositions());
}

TEST(LayoutTest, AHyphenIsABreakPoint) {
    std::string text = kTwelveLines + std::string(20, 'a') + "-" + std::string(20, 'a');
    Paginated book = paginate(text);
    EXPECT_EQ((Positions{0, 24 + 21}), book.smallPositions());
}

TEST(LayoutTest, ALineWithoutBreakOpportunityIsCutBeforeTheTagThatOverflowedIt) {
    // Fifteen \U placeholders of 10 fit; the sixteenth starts line 14 at its backslash.
    Paginated book = paginate(kTwelveLines + repeat("\\U0041", 16));
    EXPECT_EQ((Positions{0, 24 + 15 * 6}), book.smallPositions());
    EXPECT_EQ(Verdict::Ok, book.verdict);
    // A literal backslash is never split either.
    Paginated backslashes = paginate(kTwelveLines + std::string(31, 'a') + "\\\\");
    EXPECT_EQ((Positions{0, 24 + 31}), backslashes.smallPositions());
    EXPECT_EQ(Verdict::Ok, backslashes.verdict);
}

TEST(LayoutTest, ARuleTakesALineOfItsOwn) {
    // Line 12 "ab", line 13 the rule, line 14 "cd".
    std::string text = repeat("b\n", 11) + "ab\\w=\"50%\"cd";
    Paginated book = paginate(text);
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_EQ((Positions{0, 22 + 2 + 8}), book.smallPositions());
}

TEST(LayoutTest, ASidebarReferenceTakesSixteenPixelsAndASpace) {
    // Each reference is 16 + 2 wide and makes its line 16 high (132 + 16 = 148 still fits): eight fit on line
    // 13, the ninth moves to line 14 from the break point at its backslash.
    std::string text = kTwelveLines + repeat("\\Sd=\"a\"\\Sd", 9);
    Paginated book = paginate(text);
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_EQ((Positions{0, 24 + 8 * 10}), book.smallPositions());
}

TEST(LayoutTest, ALongSingleLineAndATextOfBackslashesEnd) {
    Paginated line = paginate(std::string(1 << 20, 'x'));
    EXPECT_EQ(Verdict::Ok, line.verdict);
    EXPECT_GT(line.tables.smallPages.size(), 100u);
    Paginated even = paginate(std::string(4096, '\\'));
    EXPECT_EQ(Verdict::Ok, even.verdict);
    Paginated odd = paginate(std::string(4097, '\\'));
    EXPECT_EQ((std::vector<std::string>{"E Illegal control code starting at \"\\\""}), odd.problems());
}

TEST(LayoutTest, MovingDownPastThePageCommitsTheFirstLineAllTheSame) {
    // Five \d reach 165 at the top of the page: the line is still committed there; the next one is not.
    Paginated book = paginate("\\d\\d\\d\\d\\db\nb");
    EXPECT_EQ((Positions{0, 12}), book.smallPositions());
}

TEST(LayoutTest, InvisibleTextTakesNoRoom) {
    Paginated book = paginate("\\v" + repeat("b\n", 20) + "\\v" + repeat("b\n", 13));
    EXPECT_EQ((Positions{0}), book.smallPositions());
}

TEST(LayoutTest, AHeadingStartsANewPageAtItsTag) {
    Paginated book = paginate("abc\\xTitle\\x def");
    EXPECT_EQ((Positions{0, 3}), book.smallPositions());
    EXPECT_EQ((Positions{0, 3}), book.largePositions());
    ASSERT_EQ(1u, book.tables.chapters.size());
    EXPECT_EQ(3u, book.tables.chapters[0].position);
    EXPECT_EQ("Title", book.tables.chapters[0].title);
    Paginated atTop = paginate("\\xTitle\\x def");
    EXPECT_EQ((Positions{0}), atTop.smallPositions());
}

TEST(LayoutTest, AChapterOnALineThatMovesToTheNextPageIsListedOnce) {
    Paginated heading = paginate(repeat("b\n", 13) + "\\X1Head\\X1 more");
    EXPECT_EQ((Positions{0, 26}), heading.smallPositions());
    ASSERT_EQ(1u, heading.tables.chapters.size());
    EXPECT_EQ("    Head", heading.tables.chapters[0].title);
    EXPECT_EQ(26u, heading.tables.chapters[0].position);

    Paginated chapter = paginate(repeat("b\n", 13) + "\\C0=\"One\"abc");
    EXPECT_EQ((Positions{0, 26}), chapter.smallPositions());
    ASSERT_EQ(1u, chapter.tables.chapters.size());
    EXPECT_EQ("One", chapter.tables.chapters[0].title);
}

TEST(LayoutTest, DictionaryBuildsRunOnePassAndRecordNoPages) {
    Paginated book = paginate(repeat("b\n", 30), kFlagDictionary);
    EXPECT_TRUE(book.tables.smallPages.empty());
    EXPECT_TRUE(book.tables.largePages.empty());
    EXPECT_EQ((std::vector<std::string>{"N Generating page tables for the small font..."}), book.lines);
    Paginated noEntries = paginate(repeat("b\n", 30), kFlagNoPageEntries);
    EXPECT_TRUE(noEntries.tables.smallPages.empty());
    EXPECT_EQ(2u, noEntries.lines.size());
}

TEST(LayoutTest, HostileTextsEndTheScan) {
    for (std::string text :
         {std::string(1000, '\\'), std::string(999, '\\'), std::string(20000, 'x'), std::string("\\C0=\"abc"),
          std::string("\\m=\"x"), std::string("\\q=\"#abc"), std::string("\\T=\"12"), std::string("\\X"),
          std::string("\\S"), std::string("\\a1"), std::string("\\U0"), std::string("\\Sd=\"a"),
          std::string("\\Fn=\""), std::string(500, '\n') + repeat("\\d", 100)}) {
        Paginated book = paginate(text);
        EXPECT_FALSE(book.tables.smallPages.empty());
    }
}

} // namespace
} // namespace quillery::test
