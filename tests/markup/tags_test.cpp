// The tag set: byte consumption, the tag rules and the three reporting forms.
#include "markup/scan_context.h"
#include "markup/scanner.h"
#include "markup/title_text.h"
#include "paginate_support.h"
#include "tdb/text_records.h"

#include <gtest/gtest.h>

namespace quillery::test {
namespace {

using Lines = std::vector<std::string>;

TEST(TagsTest, AnIllegalControlCodeIsAnExcerptErrorOfTheFirstPass) {
    Paginated book = paginate("ab\\yzzz");
    EXPECT_EQ(Verdict::Failed, book.verdict);
    EXPECT_EQ((Lines{"N Generating page tables for the small font...",
                     "E Illegal control code starting at \"\\yzzz\"",
                     "N Generating page tables for the large font..."}),
              book.lines);
}

TEST(TagsTest, TheExcerptOfAnIllegalControlCodeHoldsFortyBytes) {
    std::string rest(60, 'q');
    Paginated book = paginate("\\7" + rest);
    EXPECT_EQ((Lines{"E Illegal control code starting at \"\\7" + std::string(39, 'q') + "\""}),
              book.problems());
}

TEST(TagsTest, ABackslashAsTheLastByteHasAnEmptyExcerpt) {
    Paginated book = paginate("ab\\");
    EXPECT_EQ((Lines{"E Illegal control code starting at \"\\\""}), book.problems());
}

TEST(TagsTest, TagErrorsArePlacedAtTheBackslash) {
    Paginated book = paginate("first line\nab \\y");
    ASSERT_EQ(3u, book.reports.size());
    ASSERT_TRUE(book.reports[1].place.has_value());
    EXPECT_EQ(2u, book.reports[1].place->line);
    EXPECT_EQ(4u, book.reports[1].place->column);
}

TEST(TagsTest, FFollowedByAnotherByteDoesNothing) {
    Paginated book = paginate("\\Fxabc");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_TRUE(book.problems().empty());
}

TEST(TagsTest, AnUnclosedSmallFontFailsOnlyTheSecondPass) {
    Paginated book = paginate("\\sabc");
    EXPECT_EQ(Verdict::Failed, book.verdict);
    EXPECT_EQ((Lines{"N Generating page tables for the small font...",
                     "N Generating page tables for the large font...",
                     "E This file does not end in the normal font!"}),
              book.lines);
}

TEST(TagsTest, LargeInTheSecondPassIsNoChangeAndAnOpenItalicIsNoError) {
    EXPECT_EQ(Verdict::Ok, paginate("\\labc\\l").verdict);
    EXPECT_EQ(Verdict::Ok, paginate("\\iabc").verdict);
    EXPECT_EQ((Lines{"E This file does not end in the normal font!",
                     "E This file does not end in the normal font!"}),
              paginate("\\babc").problems());
}

TEST(TagsTest, SmallAndLargeBoldAreReportedOncePerFile) {
    Paginated book = paginate("\\Bx\\B \\bx\\b \\Bx\\B \\bx\\b");
    EXPECT_EQ((Lines{"E You can't use \\b and \\B in the same file."}), book.problems());
    ASSERT_EQ(3u, book.reports.size());
    EXPECT_EQ(7u, book.reports[1].place->column);
}

TEST(TagsTest, SwitchingAlignmentWithoutClosingWarnsInEveryPass) {
    Paginated book = paginate("\\cab\\rcd\\r\\c");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    std::string warning = "W Should close alignment tag before switching to another, before \"\\rcd\\r\\c\"";
    EXPECT_EQ((Lines{warning, warning}), book.problems());
}

TEST(TagsTest, SuperscriptAndSubscriptAtOnceIsAPlainError) {
    Paginated book = paginate("\\Spa\\Sba\\Sb\\Sp");
    std::string error = "E Can't have superscript and subscript at the same time!";
    EXPECT_EQ((Lines{error, error}), book.problems());
}

TEST(TagsTest, AnUnknownLetterAfterSIsThreeBytes) {
    Paginated book = paginate("a\\Sxb");
    EXPECT_EQ((Lines{"E Illegal control code: \\Sx"}), book.problems());
}

TEST(TagsTest, IndexItemsAreIllegalOutsideADictionary) {
    Paginated book = paginate("\\Iword\\I");
    EXPECT_EQ((Lines{"E Illegal control code starting at \"\\Iword\\I\"",
                     "E Illegal control code starting at \"\\I\""}),
              book.problems());
}

TEST(TagsTest, AnIndexItemClearsTheStyleInADictionary) {
    Paginated book = paginate("\\iab\\Iitem\\I\\i", kFlagDictionary);
    EXPECT_EQ((Lines{"E No styles permitted before \"\\Iitem\\I\\i\""}), book.problems());
    ASSERT_EQ(1u, book.tables.index.entries.size());
    EXPECT_EQ("item", book.tables.index.entries[0].text);
    EXPECT_EQ(1, book.tables.index.entries[0].record);
    EXPECT_EQ(4, book.tables.index.entries[0].offset);
    EXPECT_EQ((Lines{"N Generating page tables for the small font...",
                     "E No styles permitted before \"\\Iitem\\I\\i\"", "N Processing index records..."}),
              book.lines);
}

TEST(TagsTest, AnIndexItemDropsCharacter149) {
    Paginated book = paginate("\\Ia\\a149b\\a065\\I", kFlagDictionary);
    ASSERT_EQ(1u, book.tables.index.entries.size());
    EXPECT_EQ("abA", book.tables.index.entries[0].text);
}

TEST(TagsTest, DecimalCharactersAreTakenModulo256) {
    RecordBuffer starts(4);
    ScanReporter report("\\a300\\a1");
    ScanContext context{"\\a300\\a1", starts, report};
    EXPECT_EQ(44, decimalCharacter(context, 0));
    EXPECT_EQ(100, decimalCharacter(context, 5)); // missing digits count as 0
}

TEST(TagsTest, UnicodeDigitsAreValidatedInTheText) {
    EXPECT_EQ((Lines{"E Error in \\U specification: \"\\U00e9\""}), paginate("\\U00e9").problems());
    EXPECT_EQ((Lines{"E Error in \\U specification: \"\\U0\""}), paginate("ab\\U0").problems());
    EXPECT_TRUE(paginate("\\U00E9").problems().empty());
}

TEST(TagsTest, AReferenceClosedByAnotherOfTheThreeTagsClearsTheBit) {
    // The footnote collector objects to the \\q, but the bit is cleared: the next \\q opens a link.
    Paginated book = paginate("\\Fn=\"a\"x\\q \\q=\"#b\"y\\q");
    std::string error = "E Tags are not permitted within footnote references, see reference to a";
    EXPECT_EQ((Lines{error, error, "W Link \"b\" has not been defined"}), book.problems());
    ASSERT_EQ(1u, book.tables.footnotes.size());
    ASSERT_EQ(1u, book.tables.links.size());
    EXPECT_EQ("b", book.tables.links[0].name);
    EXPECT_EQ(-1, book.tables.links[0].position);
}

TEST(TagsTest, AnOpeningReferenceWithoutItsArgumentStillTogglesTheBit) {
    Paginated book = paginate("ab \\Sd text \\Sd=\"x\"");
    EXPECT_EQ(
        (Lines{"E Sidebar syntax incorrect.  You have 'ab \\Sd text \\Sd=\"x\"' and it should be \\Sd=\""}),
        book.problems());
    EXPECT_TRUE(book.tables.sidebars.empty()); // the second \Sd closed the reference
}

TEST(TagsTest, ThousandsOfErrorsAreAllReported) {
    Paginated book = paginate(repeat("\\y", 3000));
    EXPECT_EQ(3000u, book.problems().size());
    EXPECT_EQ(Verdict::Failed, book.verdict);
}

// Where the scanner goes on after the tag at the start of `text` (outside any reference).
size_t scannedTagLength(const std::string& text, uint32_t flags = 0) {
    RecordBuffer starts(4);
    (void)starts.appendU32(0);
    (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    BookTables tables;
    ReportCollector collector;
    ReportTextScope scope(text);
    Scanner scanner(text, "/nonexistent-image-folder", starts, tables, flags);
    return scanner.scanFirstTag();
}

// The record splitter measures a tag without knowing what came before it; for every well-formed tag outside a
// reference that is exactly what the scanner takes, so a record never ends inside what the reader sees as a
// tag.
TEST(TagsTest, TheRecordSplitterMeasuresEveryTagAsTheScannerConsumesIt) {
    const std::vector<std::string> tags = {
        R"(\\)",
        R"(\-)",
        R"(\a065)",
        R"(\a233)",
        R"(\U00E9)",
        R"(\n)",
        R"(\s)",
        R"(\b)",
        R"(\l)",
        R"(\B)",
        R"(\i)",
        R"(\u)",
        R"(\o)",
        R"(\v)",
        R"(\t)",
        R"(\c)",
        R"(\r)",
        R"(\p)",
        R"(\d)",
        R"(\x)",
        R"(\X1)",
        R"(\X3)",
        R"(\Sp)",
        R"(\Sb)",
        R"(\F)",
        R"(\C0="Chapter One")",
        R"(\C9="Caf\a233 \i")",
        R"(\q="#target")",
        R"(\Q="target")",
        R"(\Fn="note")",
        R"(\Sd="aside")",
        R"(\m="pic.png")",
        R"(\w="50%")",
        R"(\w="100%")",
        R"(\T="25%")",
    };
    // Whatever follows: nothing, text, another tag, or `="` after a tag that takes no argument.
    const std::vector<std::string> followers = {"", "zz", R"( \p)", R"(="x")", R"(\\)"};
    for (const std::string& tag : tags) {
        for (const std::string& after : followers) {
            std::string text = tag + after;
            SCOPED_TRACE(text);
            EXPECT_EQ(tag.size(), textTagExtent(text, 0));
            EXPECT_EQ(tag.size(), scannedTagLength(text));
        }
    }
    // Index items exist only in a dictionary.
    EXPECT_EQ(2u, textTagExtent(R"(\Iitem\I)", 0));
    EXPECT_EQ(2u, scannedTagLength(R"(\Iitem\I)", kFlagDictionary));
}

} // namespace
} // namespace quillery::test
