// The collectors of the scan: chapters and headings (Part 2.3), links (2.4), references (2.5), images, rules
// and indents (2.6).
#include "markup/chapter_collector.h"
#include "paginate_support.h"
#include "png_fixture.h"

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

TEST(ChaptersTest, FinishingKeepsEachTitleAndPositionOnce) {
    RecordBuffer starts(4);
    ScanReporter report("");
    ScanContext context{"", starts, report};
    ChapterTable table = {{1, "A"}, {2, "B"}, {1, "A"}, {2, "B"}, {3, ""}, {4, "A"}};
    ChapterCollector chapters(context, table);
    chapters.finish();
    ASSERT_EQ(3u, table.size());
    EXPECT_EQ("A", table[0].title);
    EXPECT_EQ("B", table[1].title);
    EXPECT_EQ(4u, table[2].position);
}

TEST(LinksTest, AnAnchorAndAReferencePairIgnoringCase) {
    Paginated book = paginate("\\Q=\"Intro\"text \\q=\"#INTRO\"go\\q");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_TRUE(book.problems().empty());
    ASSERT_EQ(1u, book.tables.links.size());
    EXPECT_EQ("intro", book.tables.links[0].name);
    EXPECT_EQ(11, book.tables.links[0].position);
    EXPECT_TRUE(book.tables.links[0].referenced);
}

TEST(LinksTest, AnAnchorIsTheClosingQuotePlusTwo) {
    Paginated book = paginate(std::string(95, 'a') + "\\Q=\"n\"");
    ASSERT_EQ(1u, book.tables.links.size());
    EXPECT_EQ(102, book.tables.links[0].position);
}

TEST(LinksTest, AnAnchorDefinedTwiceWarnsOnceWithTheNameAsWritten) {
    Paginated book = paginate("\\Q=\"A\"x\\Q=\"a\"");
    EXPECT_EQ((Lines{"W Link \"a\" defined more than once"}), book.problems());
    EXPECT_EQ(7, book.tables.links.at(0).position);
}

TEST(LinksTest, UnusedAnchorsAreDroppedWhenSomethingIsLinked) {
    Paginated book = paginate("\\Q=\"b\"\\Q=\"c\"\\q=\"#c\"x\\q");
    ASSERT_EQ(1u, book.tables.links.size());
    EXPECT_EQ("c", book.tables.links[0].name);
}

TEST(LinksTest, ALongReferenceIsStoredAsItsFirst79Bytes) {
    std::string name(81, 'n');
    Paginated book = paginate("\\q=\"#" + name + "\"x\\q");
    EXPECT_EQ((Lines{"E Link reference is longer than 80 characters: \"\\q=\"#" + std::string(35, 'n') + "\"",
                     "W Link \"" + std::string(79, 'n') + "\" has not been defined"}),
              book.problems());
    EXPECT_EQ(std::string(79, 'n'), book.tables.links.at(0).name);
}

TEST(LinksTest, OnlyTheFirstTagAfterTheNameIsInspected) {
    Paginated book = paginate("\\q=\"#n\"a\\db\\q");
    EXPECT_EQ(
        (Lines{"E Illegal tag \"\\d\" in link reference to \"n\"", "W Link \"n\" has not been defined"}),
        book.problems());
    Paginated accepted = paginate("\\q=\"#n\"a\\ib\\i\\q\\Q=\"n\"");
    EXPECT_TRUE(accepted.problems().empty());
}

TEST(LinksTest, LinkSyntaxErrors) {
    EXPECT_EQ((Lines{"E Link syntax incorrect.  You have 'abc\\q=\"n\"x\\q' and it should be \\q=\"#"}),
              paginate("abc\\q=\"n\"x\\q").problems());
    EXPECT_EQ((Lines{"E Returns are not permitted in link anchors.  See '\\Q=\"a\nb\"'."}),
              paginate("\\Q=\"a\nb\"").problems());
}

TEST(ReferencesTest, ReferenceNamesAreLoweredSortedAndKeptOnce) {
    Paginated book = paginate("\\Sd=\"Note1\"x\\Sd \\Sd=\"note1\"y\\Sd \\Fn=\"B\"z\\Fn \\Fn=\"a\"z\\Fn");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    ASSERT_EQ(1u, book.tables.sidebars.size());
    EXPECT_EQ("note1", book.tables.sidebars[0].name);
    ASSERT_EQ(2u, book.tables.footnotes.size());
    EXPECT_EQ("a", book.tables.footnotes[0].name);
    EXPECT_EQ("b", book.tables.footnotes[1].name);
}

TEST(ReferencesTest, TagsInsideAReferenceAreAPlainError) {
    Paginated book = paginate("\\Sd=\"N\"x\\iy\\i\\Sd");
    std::string error = "E Tags are not permitted within sidebar references, see reference to N";
    EXPECT_EQ((Lines{error, error}), book.problems());
}

TEST(ImagesTest, SyntaxAndLineEndErrorsShowTheirExcerptOnce) {
    // 20 bytes from 10 before the byte after \m; the scan goes on right after \m, and no image is taken.
    Paginated bare = paginate("0123456789\\mxyz and more text");
    EXPECT_EQ((Lines{"E Image syntax incorrect.  You have '23456789\\mxyz and mo' and it should be \\m=\""}),
              bare.problems());
    EXPECT_TRUE(bare.tables.images.entries.empty());
    // Every line end in the name, 20 bytes from 9 before it; the name is still checked.
    Paginated returns = paginate("some words \\m=\"a\nb\rc.png\" after");
    EXPECT_EQ((Lines{"E Returns are not permitted in image references.  See 'rds \\m=\"a\nb\rc.png\" a'.",
                     "E Returns are not permitted in image references.  See 's \\m=\"a\nb\rc.png\" aft'.",
                     "E Image \"a\nb\rc.png\" doesn't exist!"}),
              returns.problems());
    EXPECT_EQ(1u, returns.tables.images.entries.size());
}

TEST(ImagesTest, FileCheckErrorsArePlacedAtTheTag) {
    ScratchDir folder;
    writeFile(folder.file("bad.png"), "not a PNG at all, not even its signature");
    Paginated book =
        paginate("line one\n  \\m=\"gone.png\"\n \\m=\"x.gif\" \\m=\"bad.png\"", 0, {}, folder.path());
    std::vector<std::pair<uint32_t, uint32_t>> places;
    for (const CollectedReport& report : book.reports) {
        if (report.level == ReportLevel::Error) {
            places.push_back(report.place ? std::pair{report.place->line, report.place->column}
                                          : std::pair{0u, 0u});
        }
    }
    // Missing, not .png, bad signature (in both passes); the conversion after the scan has no one place.
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{2, 3}, {3, 2}, {3, 13}, {3, 13}, {0, 0}}), places);
}

TEST(ImagesTest, TheNameMustEndInPng) {
    Paginated book = paginate("\\m=\"pic.gif\"");
    EXPECT_EQ((Lines{"E Image file \"pic.gif\" doesn't end with .png!"}), book.problems());
    EXPECT_TRUE(book.tables.images.entries.empty());
    EXPECT_EQ((Lines{"E Image file \"pic\" doesn't end with .png!"}), paginate("\\m=\"pic\"").problems());
}

TEST(ImagesTest, AMissingImageIsReportedOnceAndStillListed) {
    ScratchDir folder;
    Paginated book = paginate("\\m=\"pic.PNG\"\\m=\"pic.PNG\"", 0, {}, folder.path());
    EXPECT_EQ((Lines{"E Image \"pic.PNG\" doesn't exist!", "E Image \"pic.PNG\" doesn't exist!"}),
              book.problems());
    ASSERT_EQ(1u, book.tables.images.entries.size());
    EXPECT_EQ(folder.file("pic.PNG"), book.tables.images.entries[0].path);
    EXPECT_EQ(16, book.tables.images.entries[0].width);
}

TEST(ImagesTest, TheSizeComesFromThePngHeader) {
    ScratchDir folder;
    auto header = [](int width, int height, char colourType) {
        std::string bytes = "\x89PNG\r\n\x1a\n";
        bytes += std::string("\0\0\0\x0dIHDR", 8);
        for (int value : {width, height}) {
            bytes += static_cast<char>(value >> 24);
            bytes += static_cast<char>(value >> 16);
            bytes += static_cast<char>(value >> 8);
            bytes += static_cast<char>(value);
        }
        bytes += '\x08';
        bytes += colourType;
        return bytes + std::string(7, '\0');
    };
    PngImage wide;
    wide.width = 200;
    wide.height = 10;
    wide.rows = noiseRows(wide);
    writeFile(folder.file("wide.png"), encodePng(wide));
    writeFile(folder.file("rgb.png"), header(20, 10, 2));
    writeFile(folder.file("empty.png"), "");
    Paginated book = paginate("\\m=\"wide.png\"", 0, {}, folder.path());
    EXPECT_EQ(Verdict::Ok, book.verdict) << ::testing::PrintToString(book.lines);
    ASSERT_EQ(1u, book.tables.images.entries.size());
    EXPECT_EQ(200, book.tables.images.entries[0].width);
    EXPECT_EQ(10, book.tables.images.entries[0].height);
    EXPECT_GT(book.tables.images.entries[0].dataSize, 0u); // converted after the scan

    std::string rgb = "E Unrecognized PNG color type for " + folder.file("rgb.png");
    // The header reader in both passes, then the conversion after the scan.
    EXPECT_EQ((Lines{rgb, rgb, "E Could not read the file \"rgb.png\""}),
              paginate("\\m=\"rgb.png\"", 0, {}, folder.path()).problems());
    std::string empty = "E PNG file " + folder.file("empty.png") + " appears to be empty\n";
    EXPECT_EQ((Lines{empty, empty, "E Could not read the file \"empty.png\""}),
              paginate("\\m=\"empty.png\"", 0, {}, folder.path()).problems());
}

TEST(ImagesTest, ALongNameIsReportedAndStillLookedUp) {
    std::string name = std::string(28, 'n') + ".png";
    Paginated book = paginate("\\m=\"" + name + "\"");
    std::string tooLong =
        "E Image name \"" + name + "\" is longer than 31 characters! Please rename the image.";
    EXPECT_EQ((Lines{tooLong, "E Image \"" + name + "\" doesn't exist!", tooLong}), book.problems());
    ASSERT_EQ(1u, book.tables.images.entries.size());
    EXPECT_EQ("/nonexistent-image-folder/" + name, book.tables.images.entries[0].path);
}

TEST(RulesTest, RuleArgumentErrors) {
    std::string digits = "E Rule width specifier must be only digits!";
    EXPECT_EQ((Lines{digits, digits}), paginate("\\w=\"5x%\"").problems());
    std::string many = "E More than three digits were specified for the rule width";
    EXPECT_EQ((Lines{many, many}), paginate("\\w=\"1234%\"").problems());
    std::string forgot = "E Rule syntax is '\\w=\"xx%\"' -- you forgot the %.";
    EXPECT_EQ((Lines{forgot, forgot}), paginate("\\w=\"50\"").problems());
    EXPECT_EQ((Lines{"E Rule syntax is '\\w=\"xx%\"'.  You have '0%x'"}), paginate("\\w=\"50%x").problems());
    EXPECT_EQ((Lines{"E Rule syntax is '\\w=\"xx%\"'.  You have '\\w50%\"'"}),
              paginate("\\w50%\"").problems());
}

TEST(IndentsTest, AnIndentBeforeTheCurrentPositionWarns) {
    std::string warning =
        "W You specified an indent of 25%, which is before the current position of 79 pixels";
    EXPECT_EQ((Lines{warning, warning}), paginate("\\T=\"50%\"\\T=\"25%\"").problems());
    EXPECT_TRUE(paginate("\\T=\"150%\"").problems().empty());
    EXPECT_TRUE(paginate("\\T=\"0%\"").problems().empty());
    std::string forgot = "E Indent syntax is '\\T=\"xx%\"' -- you forgot the %.";
    EXPECT_EQ((Lines{forgot, forgot}), paginate("\\T=\"50\"").problems());
}

TEST(IndentsTest, IndentArgumentErrors) {
    std::string digits = "E Indent specifier must be only digits!";
    std::string many = "E More than three digits were specified for the indent";
    // Each bad byte is its own error; four bytes before the % are too many.
    EXPECT_EQ((Lines{digits, digits, digits, many, digits, digits, digits, many}),
              paginate("\\T=\"1a b%\"").problems());
    EXPECT_EQ((Lines{"E Indent syntax is '\\T=\"xx%\"'.  You have '5%x'"}), paginate("\\T=\"5%x").problems());
    EXPECT_EQ((Lines{"E Indent syntax is '\\T=\"xx%\"'.  You have '\\T=50%\"'"}),
              paginate("\\T=50%\"").problems());
    // An argument cut off by the end of the text ends the scan cleanly.
    EXPECT_TRUE(paginate("\\T=\"12").problems().empty());
}

} // namespace
} // namespace quillery::test
