// The tag set: byte consumption, the tag rules and the three reporting forms.
#include "markup/scan_context.h"
#include "markup/scanner.h"
#include "markup/title_text.h"
#include "paginate_support.h"
#include "png_fixture.h"
#include "tdb/text_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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
    EXPECT_EQ("item", book.tables.index.textOf(book.tables.index.entries[0]));
    EXPECT_EQ(1, book.tables.index.entries[0].record);
    EXPECT_EQ(4, book.tables.index.entries[0].offset);
    EXPECT_EQ((Lines{"N Generating page tables for the small font...",
                     "E No styles permitted before \"\\Iitem\\I\\i\"", "N Processing index records..."}),
              book.lines);
}

TEST(TagsTest, AnIndexItemDropsCharacter149) {
    Paginated book = paginate("\\Ia\\a149b\\a065\\I", kFlagDictionary);
    ASSERT_EQ(1u, book.tables.index.entries.size());
    EXPECT_EQ("abA", book.tables.index.textOf(book.tables.index.entries[0]));
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

// The scanner's run over the tag at the start of `text`, outside any reference: where it goes on, and whether
// it accepted the tag without an error.
struct ScannedTag {
    size_t length = 0;
    bool accepted = false;
};

ScannedTag scanTagAlone(const std::string& text, uint32_t flags = 0,
                        const std::string& imageFolder = "/nonexistent-image-folder") {
    RecordBuffer starts(4);
    (void)starts.appendU32(0);
    (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    BookTables tables;
    ReportCollector collector;
    ReportTextScope scope(text);
    Scanner scanner(text, imageFolder, starts, tables, flags);
    ScannedTag scanned;
    scanned.length = scanner.scanFirstTag();
    std::vector<std::string> lines = collector.lines();
    scanned.accepted =
        std::none_of(lines.begin(), lines.end(), [](const std::string& line) { return line[0] == 'E'; });
    return scanned;
}

size_t scannedTagLength(const std::string& text, uint32_t flags = 0) {
    return scanTagAlone(text, flags).length;
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

// Every byte pair after a backslash, and every argument form right after what the tag takes bare: wherever
// the scanner accepts the tag without an error, the splitter measures exactly what the scanner took. Every
// tag must have been accepted, those that take an argument with one, so that the walk cannot pass by
// accepting nothing.
TEST(TagsTest, EveryBytePairAndArgumentFormIsMeasuredAsTheScannerConsumesIt) {
    ScratchDir folder;
    PngImage png;
    png.width = 4;
    png.height = 4;
    png.rows = noiseRows(png);
    writeFile(folder.file("pic.png"), encodePng(png));
    const std::vector<std::string> arguments = {
        R"(="name")", R"(="#name")", R"(="Chapter One")", R"(="Caf\a233")",
        R"(="")",     R"(="50%")",   R"(="100%")",        R"(="pic.png")",
    };
    std::set<TagKind> accepted;
    std::set<TagKind> acceptedWithArgument;
    size_t disagreements = 0;
    auto check = [&](const std::string& text, uint32_t flags) {
        ScannedTag scanned = scanTagAlone(text, flags, folder.path());
        TagExtent extent = measureTag(text, 0);
        if (scanned.accepted) {
            if (extent.length != scanned.length && ++disagreements <= 20) {
                ADD_FAILURE() << "splitter " << extent.length << ", scanner " << scanned.length << " for "
                              << text;
            }
            (extent.hasArgument ? acceptedWithArgument : accepted).insert(extent.tagSpec->kind);
        }
        return scanned.length;
    };
    for (int letter = 0; letter < 256; ++letter) {
        uint32_t flags = letter == 'I' ? kFlagDictionary : 0;
        for (int second = 0; second < 256; ++second) {
            std::string pair = std::string("\\") + static_cast<char>(letter) + static_cast<char>(second);
            std::string text = pair + " zz";
            size_t bare = check(text, flags);
            // The argument follows the bare tag: once per letter for a tag of two bytes, else for each pair.
            if (bare > 2 || second == 0) {
                for (const std::string& argument : arguments) {
                    check(text.substr(0, bare) + argument + " zz", flags);
                }
            }
        }
    }
    EXPECT_EQ(0u, disagreements);
    // Bare: every kind but the two illegal ones and the eight that open with an argument.
    EXPECT_EQ(23u, accepted.size());
    EXPECT_EQ(0u, accepted.count(TagKind::Illegal) + accepted.count(TagKind::IllegalSelection));
    EXPECT_EQ((std::set<TagKind>{TagKind::Chapter, TagKind::LinkReference, TagKind::Anchor,
                                 TagKind::FootnoteReference, TagKind::SidebarReference, TagKind::Image,
                                 TagKind::Rule, TagKind::Indent}),
              acceptedWithArgument);
}

} // namespace
} // namespace quillery::test
