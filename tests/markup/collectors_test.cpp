// The collectors of the scan: links, sidebar and footnote references, images, rules and indents.
#include "paginate_support.h"
#include "png_fixture.h"
#include "tdb/book_format.h"

#include <gtest/gtest.h>

namespace quillery::test {
namespace {

using Lines = std::vector<std::string>;

TEST(IndexItemsTest, AnItemIsPlacedAtTheRecordAndOffsetOfItsBackslash) {
    // A backslash at the very start of record 2 belongs to record 1, at an offset of its length.
    Paginated boundary = paginate("abcd\\Iw\\I efgh\\Iv\\I", kFlagDictionary, {4, 16});
    ASSERT_EQ(2u, boundary.tables.index.entries.size());
    EXPECT_EQ("v", boundary.tables.index.textOf(boundary.tables.index.entries[0]));
    EXPECT_EQ(2, boundary.tables.index.entries[0].record);
    EXPECT_EQ(10, boundary.tables.index.entries[0].offset);
    EXPECT_EQ(1, boundary.tables.index.entries[1].record);
    EXPECT_EQ(4, boundary.tables.index.entries[1].offset);
}

TEST(IndexItemsTest, ItemTextsSkipTagsWithTheirArguments) {
    Paginated book = paginate("\\Ia\\w=\"50%\"b\\i-c\\\\\\Id", kFlagDictionary);
    EXPECT_EQ("ab-c", book.tables.index.textOf(book.tables.index.entries.at(0)));
}

TEST(IndexItemsTest, AnItemOnALineThatMovesToTheNextPageIsIndexedOnce) {
    Paginated book = paginate(repeat("b\n", 13) + "\\Iword\\I means this", kFlagDictionary);
    ASSERT_EQ(1u, book.tables.index.entries.size());
    EXPECT_EQ(26, book.tables.index.entries[0].offset);
    ASSERT_EQ(1u, book.tables.index.groups.size());
    EXPECT_EQ(9, book.tables.index.groups[0].byteSize);
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

TEST(LinksTest, AnAnchorIsTheClosingQuotePlusTwoButNeverPastTheEndOfTheText) {
    Paginated book = paginate(std::string(95, 'a') + "\\Q=\"n\" more");
    ASSERT_EQ(1u, book.tables.links.size());
    EXPECT_EQ(102, book.tables.links[0].position);
    // As the last bytes of the text, or with its closing quote missing, the anchor is at the text's end.
    for (const std::string& text : {std::string(95, 'a') + "\\Q=\"n\"", std::string(95, 'a') + "\\Q=\"n\"x",
                                    std::string("ab\\Q=\"n")}) {
        Paginated atEnd = paginate(text);
        ASSERT_EQ(1u, atEnd.tables.links.size()) << text;
        EXPECT_EQ(static_cast<int32_t>(text.size()), atEnd.tables.links[0].position) << text;
    }
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

TEST(LinksTest, WithoutAnyLinkEveryAnchorStays) {
    Paginated book = paginate("\\Q=\"b\"x\\Q=\"A\"");
    EXPECT_TRUE(book.problems().empty());
    ASSERT_EQ(2u, book.tables.links.size());
    EXPECT_EQ("a", book.tables.links[0].name);
    EXPECT_EQ(13, book.tables.links[0].position); // the end of the text
    EXPECT_EQ("b", book.tables.links[1].name);
}

TEST(LinksTest, ReferencedNamesComeFirstInSignedByteOrder) {
    Paginated book = paginate("\\Q=\"zed\"\\Q=\"\xE9t\"\\Q=\"unused\"\\q=\"#zed\"1\\q\\q=\"#Alpha\"2\\q"
                              "\\q=\"#\xE9t\"3\\q\\q=\"#ab\"4\\q\\Q=\"AB\"");
    std::vector<std::string> names;
    for (const LinkEntry& link : book.tables.links) {
        names.push_back(link.name);
    }
    EXPECT_EQ((Lines{"\xE9t", "ab", "alpha", "zed"}), names);
    EXPECT_EQ((Lines{"W Link \"alpha\" has not been defined"}), book.problems());
    EXPECT_EQ(16, book.tables.links[0].position);
    // A reference before its anchor takes the anchor's position; an unused anchor is dropped.
    EXPECT_EQ(81, book.tables.links[1].position); // the end of the text
    EXPECT_EQ(-1, book.tables.links[2].position);
    EXPECT_EQ(9, book.tables.links[3].position);
}

TEST(LinksTest, TheFirstTagAfterTheNameMayNotBeAnotherReferenceOrHeading) {
    // The name is shown as written in the error and as stored in the warning.
    Paginated book = paginate("\\q=\"#Name\"\\Sd");
    EXPECT_EQ((Lines{"E Illegal tag \"\\Sd\" in link reference to \"Name\"",
                     "W Link \"name\" has not been defined"}),
              book.problems());
    // A NUL after the backslash is no tag letter of the list.
    Paginated nul = paginate(std::string("\\q=\"#n\"\\\0", 9));
    for (const std::string& line : nul.problems()) {
        EXPECT_EQ(std::string::npos, line.find("Illegal tag")) << line;
    }
}

TEST(LinksTest, EveryTagLetterIsCheckedAsTheFirstTagAfterTheName) {
    std::string refused;
    for (int letter = 1; letter < 256; ++letter) {
        Paginated book = paginate(std::string("\\q=\"#n\"a\\") + static_cast<char>(letter) + "b");
        for (const std::string& line : book.problems()) {
            if (line.find("Illegal tag \"\\") != std::string::npos) {
                refused += static_cast<char>(letter);
            }
        }
    }
    // Headings, index items, \d, images, rules and any \F.
    EXPECT_EQ("FIXdmwx", refused);
    // Of the tags that \S selects, only the sidebar reference.
    for (std::string selected : {"Sp", "Sb", "Sx", "S"}) {
        for (const std::string& line : paginate("\\q=\"#n\"a\\" + selected).problems()) {
            EXPECT_EQ(std::string::npos, line.find("Illegal tag")) << selected << ": " << line;
        }
    }
}

TEST(LinksTest, ALongAnchorDefinedTwiceIsNamedAsStored) {
    std::string name = "Long" + std::string(90, 'n');
    Paginated book = paginate("\\Q=\"" + name + "\"x\\Q=\"" + name + "\"");
    Lines problems = book.problems();
    ASSERT_EQ(3u, problems.size());
    // The first 79 bytes, in the case written in the tag.
    EXPECT_EQ("W Link \"" + name.substr(0, 79) + "\" defined more than once", problems[2]);
}

TEST(LinksTest, LongAnchorsAndReturnsInReferencesAreErrors) {
    Paginated book = paginate("x\\Q=\"" + std::string(81, 'n') + "\"");
    EXPECT_EQ((Lines{"E Link is longer than 80 characters: \"x\\Q=\"" + std::string(35, 'n') + "\""}),
              book.problems());
    EXPECT_EQ(std::string(79, 'n'), book.tables.links.at(0).name);
    EXPECT_EQ((Lines{"E Returns are not permitted in link references.  See '\\q=\"#a\nb\"x\\q'.",
                     "W Link \"a\nb\" has not been defined"}),
              paginate("\\q=\"#a\nb\"x\\q").problems());
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

TEST(ReferencesTest, LongNamesAreCutTo255BytesButMessagesShowThemWhole) {
    std::string name = "N" + std::string(299, 'x');
    Paginated book = paginate("\\Fn=\"" + name + "\"a\\Sp\\Fn");
    std::string error = "E Tags are not permitted within footnote references, see reference to " + name;
    EXPECT_EQ((Lines{error, error}), book.problems());
    ASSERT_EQ(1u, book.tables.footnotes.size());
    EXPECT_EQ("n" + std::string(254, 'x'), book.tables.footnotes[0].name);
    // Nothing after the reference: nothing to object to.
    EXPECT_TRUE(paginate("\\Sd=\"a\"tail").problems().empty());
}

TEST(ReferencesTest, ArgumentErrorsArePrintedOnceAndFailTheScan) {
    Paginated returns = paginate("ab\\Fn=\"a\nb\"x\\Fn");
    EXPECT_EQ(Verdict::Failed, returns.verdict);
    EXPECT_EQ((Lines{"E Returns are not permitted in footnote references.  See 'ab\\Fn=\"a\nb\"x\\Fn'."}),
              returns.problems());
    Paginated syntax = paginate("0123456789\\Fn x\\Fn");
    EXPECT_EQ(Verdict::Failed, syntax.verdict);
    EXPECT_EQ((Lines{"E Footnote syntax incorrect.  You have '3456789\\Fn x\\Fn' and it should be \\Fn=\""}),
              syntax.problems());
    EXPECT_TRUE(syntax.tables.footnotes.empty());
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
    EXPECT_TRUE(returns.tables.images.anyMissing);
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

TEST(ImagesTest, AMissingImageIsReportedAtEachTagAndOnlyItsPlaceIsKept) {
    ScratchDir folder;
    Paginated book = paginate("\\m=\"pic.PNG\"\\m=\"pic.PNG\"\\m=\"a.png\"", 0, {}, folder.path());
    EXPECT_EQ((Lines{"E Image \"pic.PNG\" doesn't exist!", "E Image \"pic.PNG\" doesn't exist!",
                     "E Image \"a.png\" doesn't exist!"}),
              book.problems());
    // No entries: the book is refused, and the conversion only needs to know where the first one stands.
    EXPECT_TRUE(book.tables.images.entries.empty());
    EXPECT_EQ(folder.file("a.png"), book.tables.images.leastMissingPath);
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
    // The file is missing: the table keeps only where it would stand.
    EXPECT_TRUE(book.tables.images.entries.empty());
    EXPECT_TRUE(book.tables.images.anyMissing);
    EXPECT_EQ("/nonexistent-image-folder/" + name, book.tables.images.leastMissingPath);
}

// The scan converts nothing itself: it hands its table, sorted by path, to the converter it is given once
// after both passes, and a failed conversion is an error of the scan reported before the links are finished.
TEST(ImagesTest, TheConverterGetsTheSortedTableOnceBeforeTheLinksAreFinished) {
    ScratchDir folder;
    std::string text;
    for (const char* name : {"b.png", "a.png", "c.png"}) {
        PngImage image;
        image.width = 2;
        image.height = 2;
        image.rows = noiseRows(image);
        writeFile(folder.file(name), encodePng(image));
        text += std::string("\\m=\"") + name + "\" ";
    }
    text += "\\q=\"#nowhere\"x\\q";
    RecordBuffer starts(4);
    (void)starts.appendU32(0);
    (void)starts.appendU32(static_cast<uint32_t>(text.size()));
    ReportCollector collector;
    ReportTextScope scope(text);
    std::vector<std::vector<std::string>> calls;
    auto converter = [&](ImageTable& table) {
        std::vector<std::string> names;
        for (const ImageEntry& entry : table.entries) {
            names.push_back(entry.path.substr(entry.path.rfind('/') + 1));
        }
        calls.push_back(names);
        reportError("conversion failed");
        return Verdict::Failed;
    };
    BookTables tables;
    EXPECT_EQ(Verdict::Failed, paginateBook(text, folder.path(), starts, tables, 0, converter));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"a.png", "b.png", "c.png"}}), calls);
    Lines problems;
    for (const std::string& line : collector.lines()) {
        if (line[0] != 'N') {
            problems.push_back(line);
        }
    }
    EXPECT_EQ((Lines{"E conversion failed", "W Link \"nowhere\" has not been defined"}), problems);

    // Without a converter the table is still sorted, and nothing is converted.
    BookTables unconverted;
    EXPECT_EQ(Verdict::Ok, paginateBook(text, folder.path(), starts, unconverted, 0));
    ASSERT_EQ(3u, unconverted.images.entries.size());
    EXPECT_EQ(folder.file("a.png"), unconverted.images.entries[0].path);
    EXPECT_EQ(0u, unconverted.images.streams.length());
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
