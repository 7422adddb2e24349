// Whole builds of books with sidebars and footnotes: where the main text ends, which bodies reach the book,
// and which problems stop it.
#include "build/build_book.h"
#include "png_fixture.h"
#include "tdb/book_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

class BuildBlocksTest : public ::testing::Test {
  protected:
    // Builds `source` as tale.tml into tale.tdb; returns the book read back, or an empty book when none
    // was written.
    BookContents build(const std::string& source, Verdict expected = Verdict::Ok) {
        test::writeFile(dir.file("tale.tml"), source);
        BookInfo info;
        info.title = WideString(u"Tale");
        FileService sourceFile(dir.file("tale.tml"));
        FileService output(dir.file("tale.tdb"));
        EXPECT_EQ(expected, buildBook(&sourceFile, &output, info, 0));
        BookContents book;
        if (test::fileExists(dir.file("tale.tdb"))) {
            std::string error;
            EXPECT_TRUE(readBook(test::readFile(dir.file("tale.tdb")), book, error)) << error;
        }
        return book;
    }

    // The problems reported, notes left out.
    std::vector<std::string> problems() const {
        std::vector<std::string> out;
        for (const std::string& line : reports.lines()) {
            if (line[0] != 'N') {
                out.push_back(line);
            }
        }
        return out;
    }

    void writeImage(const std::string& name) {
        std::filesystem::create_directories(dir.file("tale_img"));
        test::PngImage image;
        image.width = 5;
        image.height = 3;
        image.rows = test::noiseRows(image);
        test::writeFile(dir.file("tale_img/" + name), test::encodePng(image));
    }

    test::ScratchDir dir;
    test::ReportCollector reports;
};

TEST_F(BuildBlocksTest, TheMainTextEndsAtTheFirstDefinitionOfEitherKind) {
    // A definition's opening tag in mid-paragraph takes the rest of the paragraph with it.
    BookContents book = build("See\\Fn=\"a\"1\\Fn.\nUnread <sidebar id=\"x\">rest of the paragraph.\n"
                              "<footnote id=\"a\">A.</footnote>");
    EXPECT_EQ("See\\Fn=\"a\"1\\Fn.\nUnread ", book.mainText);
    ASSERT_EQ(1u, book.footnotes.size());
    EXPECT_EQ("A.", book.footnotes[0].text);

    // A footnote before a sidebar: the main text ends at the footnote, keeping the line ends before it.
    book = build("Text\n\n<footnote id=\"a\">A.</footnote>\n<sidebar id=\"s\">S.</sidebar>\\Fn=\"a\"x\\Fn");
    EXPECT_EQ("Text\n\n", book.mainText);
    EXPECT_TRUE(book.footnotes.empty()); // the reference stood in the block section
    EXPECT_TRUE(problems().empty());
}

TEST_F(BuildBlocksTest, ACapitalLetterDefinitionIsFoundOnlyInsideABlockSection) {
    // Without a lower-case opening tag before it there is no block section: the definition is main text.
    BookContents book = build("\\Sd=\"Note1\"x\\Sd\n<SIDEBAR ID=\"NOTE1\">Body</sidebar>", Verdict::Failed);
    EXPECT_EQ((std::vector<std::string>{"E No sidebar named \"note1\" was found."}), problems());
    EXPECT_FALSE(test::fileExists(dir.file("tale.tdb")));

    reports.clear();
    book = build("\\Sd=\"Note1\"x\\Sd \\Fn=\"F\"y\\Fn\n<footnote id=\"f\">Foot</footnote>\n"
                 "<SIDEBAR ID=\"NOTE1\">\nBody\n</sidebar>");
    EXPECT_TRUE(problems().empty());
    ASSERT_EQ(1u, book.sidebars.size());
    EXPECT_EQ("note1", book.sidebars[0].name);
    EXPECT_EQ("Body\n", book.sidebars[0].text);
    ASSERT_EQ(1u, book.footnotes.size());
    EXPECT_EQ("f", book.footnotes[0].name);
}

TEST_F(BuildBlocksTest, NamesAreStoredOnceSortedAndTheFirstDefinitionIsUsed) {
    BookContents book = build("\\Fn=\"b\"1\\Fn \\Fn=\"B\"2\\Fn \\Fn=\"a\"3\\Fn \\Fn=\"\"4\\Fn\n"
                              "<footnote id=\"b\">first b</footnote><footnote id=\"a\">a</footnote>"
                              "<footnote id=\"b\">second b</footnote><footnote id=\"unused\">u</footnote>");
    EXPECT_TRUE(problems().empty());
    ASSERT_EQ(2u, book.footnotes.size());
    EXPECT_EQ("a", book.footnotes[0].name);
    EXPECT_EQ("b", book.footnotes[1].name);
    EXPECT_EQ("first b", book.footnotes[1].text);
    EXPECT_TRUE(book.sidebars.empty());
    // No sidebars: no sidebar records, and their first-record field is where the footnotes begin.
    const BookSectionPlace& sidebars = book.sections[static_cast<size_t>(BookSection::Sidebars)];
    const BookSectionPlace& footnotes = book.sections[static_cast<size_t>(BookSection::Footnotes)];
    EXPECT_EQ(0, sidebars.records);
    EXPECT_EQ(footnotes.firstRecord, sidebars.firstRecord);
    EXPECT_EQ(3, footnotes.records);
}

TEST_F(BuildBlocksTest, AMissingEndTagIsAnErrorYetTheBookIsWritten) {
    BookContents book =
        build("\\Sd=\"a\"1\\Sd \\Sd=\"b\"2\\Sd\n<sidebar id=\"a\">no end <sidebar id=\"b\">bee"
              "</sidebar><footnote id=\"z\"></sidebar>");
    EXPECT_TRUE(problems().empty());
    ASSERT_EQ(2u, book.sidebars.size());
    // The body of a runs on to b's end tag, b's opening tag included.
    EXPECT_EQ("no end <sidebar id=\"b\">bee", book.sidebars[0].text);
    EXPECT_EQ("bee", book.sidebars[1].text);

    reports.clear();
    book = build("\\Fn=\"a\"1\\Fn \\Fn=\"b\"2\\Fn\n<footnote id=\"a\">A.</footnote><footnote id=\"b\">never");
    EXPECT_EQ((std::vector<std::string>{"E No end tag for sidebar or footnote named b was found."}),
              problems());
    ASSERT_EQ(2u, book.footnotes.size());
    EXPECT_EQ(1u, book.footnotes[0].records.size());
    EXPECT_TRUE(book.footnotes[1].records.empty());
    EXPECT_EQ("Done.", reports.lines().back().substr(2));
}

TEST_F(BuildBlocksTest, IllegalTagsInBodiesAreWarningsAndTheBodyIsKept) {
    BookContents book =
        build("\\Sd=\"s\"1\\Sd\n<sidebar id=\"s\">\\q=\"#x\"link\\q \\i ok\\i \\\\Sd \\S</sidebar>");
    EXPECT_EQ((std::vector<std::string>{"W Illegal tag \"\\q\" in sidebar or footnote \"s\"",
                                        "W Illegal tag \"\\q\" in sidebar or footnote \"s\"",
                                        "W Illegal tag \"\\S\" in sidebar or footnote \"s\""}),
              problems());
    ASSERT_EQ(1u, book.sidebars.size());
    EXPECT_EQ("\\q=\"#x\"link\\q \\i ok\\i \\\\Sd \\S", book.sidebars[0].text);
    // Each warning names the place of its tag in the source.
    std::vector<std::pair<uint32_t, uint32_t>> places;
    for (const test::CollectedReport& report : reports.reports()) {
        if (report.level == ReportLevel::Warning && report.place) {
            places.emplace_back(report.place->line, report.place->column);
        }
    }
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{2, 17}, {2, 28}, {2, 44}}), places);
}

TEST_F(BuildBlocksTest, AnImageThatOnlyAFootnoteShowsIsStoredInTheBook) {
    writeImage("pic.png");
    writeImage("both.png");
    BookContents book = build("\\m=\"both.png\" text\\Fn=\"f\"1\\Fn\n"
                              "<footnote id=\"f\">\\m=\"pic.png\" and \\m=\"both.png\"</footnote>");
    EXPECT_TRUE(problems().empty());
    ASSERT_EQ(2u, book.images.size());
    EXPECT_EQ("both.png", book.images[0].name);
    EXPECT_EQ("pic.png", book.images[1].name);
    EXPECT_EQ(5, book.images[1].width);
    EXPECT_NE(0u, book.images[1].dataSize);
}

TEST_F(BuildBlocksTest, ImageProblemsInBodiesStopTheBook) {
    std::string longName = std::string(29, 'l') + ".png"; // 33 bytes
    writeImage(longName);
    build("x\\Fn=\"f\"1\\Fn\\Sd=\"s\"2\\Sd\n<footnote id=\"f\">\\m=\"" + longName +
              "\"</footnote><sidebar id=\"s\">\\m=\"gone.png\"</sidebar>",
          Verdict::Failed);
    // Both kinds are written, so both problems are reported.
    EXPECT_EQ((std::vector<std::string>{"E Image \"gone.png\" doesn't exist!",
                                        "E Image name \"" + longName +
                                            "\" is longer than 31 characters! Please rename the image."}),
              problems());
    EXPECT_EQ((std::vector<std::string>{"tale.tml", "tale_img"}), dir.entries());
}

} // namespace
} // namespace quillery
