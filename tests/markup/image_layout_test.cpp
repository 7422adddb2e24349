// The room images, rules and indents take in the line, seen through where the small-font pages start.
#include "paginate_support.h"
#include "png_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillery::test {
namespace {

using Positions = std::vector<uint32_t>;
using Lines = std::vector<std::string>;

// Twelve one-letter lines (132 pixels): the thirteenth line fits on the page only if it is at most 16 high.
const std::string kTwelveLines = repeat("b\n", 12);

class ImageLayoutTest : public ::testing::Test {
  protected:
    // A grey image of the given size in the image folder; returns its \m tag.
    std::string image(const std::string& name, uint32_t width, uint32_t height) {
        PngImage png;
        png.width = width;
        png.height = height;
        png.rows = noiseRows(png);
        writeFile(folder.file(name), encodePng(png));
        return "\\m=\"" + name + "\"";
    }

    Paginated paginateWithImages(const std::string& text) {
        Paginated book = paginate(text, 0, {}, folder.path());
        EXPECT_EQ(Verdict::Ok, book.verdict) << ::testing::PrintToString(book.lines);
        return book;
    }

    ScratchDir folder;
};

TEST_F(ImageLayoutTest, AnImageTooWideForTheLineTakes16By16AndKeepsItsSizeInTheTable) {
    // 16 + 28 letters of 5 = 156 fits; a 16-high first line leaves room for twelve more lines, a 40-high
    // one for nine.
    std::string tag = image("wide.png", 200, 40);
    Paginated book = paginateWithImages(tag + std::string(28, 'a') + "\n" + repeat("b\n", 13));
    EXPECT_EQ((Positions{0, static_cast<uint32_t>(tag.size()) + 28 + 1 + 24}), book.smallPositions());
    ASSERT_EQ(1u, book.tables.images.entries.size());
    EXPECT_EQ(200, book.tables.images.entries[0].width);
    EXPECT_EQ(40, book.tables.images.entries[0].height);
}

TEST_F(ImageLayoutTest, AnImageTallerThanThePageTakes16By16) {
    std::string tall = image("tall.png", 10, 149);
    Paginated fallback = paginateWithImages(tall + "\n" + repeat("b\n", 13));
    EXPECT_EQ((Positions{0, static_cast<uint32_t>(tall.size()) + 1 + 24}), fallback.smallPositions());
    // 148 high still fits, and fills the page.
    std::string full = image("full.png", 10, 148);
    Paginated kept = paginateWithImages(full + "\nb\n");
    EXPECT_EQ((Positions{0, static_cast<uint32_t>(full.size()) + 1}), kept.smallPositions());
}

TEST_F(ImageLayoutTest, TheBlockIndentCountsAgainstTheWidth) {
    // At the start of line 13: a kept image fills the line and the letter after it moves to the next page;
    // a 16 by 16 one leaves room for it.
    Paginated full = paginateWithImages(kTwelveLines + image("w158.png", 158, 10) + "a");
    EXPECT_EQ((Positions{0, 24 + 13}), full.smallPositions());
    EXPECT_EQ((Positions{0}),
              paginateWithImages(kTwelveLines + image("w159.png", 159, 10) + "a").smallPositions());
    // With \t on, 8 + 150 = 158 keeps its size: the image itself moves to the next line, from its tag.
    Paginated indented = paginateWithImages(kTwelveLines + "\\t" + image("w150.png", 150, 10) + "a");
    EXPECT_EQ((Positions{0, 24 + 2}), indented.smallPositions());
    EXPECT_EQ((Positions{0}),
              paginateWithImages(kTwelveLines + "\\t" + image("w151.png", 151, 10) + "a").smallPositions());
}

TEST_F(ImageLayoutTest, EveryReferenceOfAnImageTakesRoomAndTheTableHoldsItOnce) {
    // 60 + 60 + 7 letters = 155 fits on line 13; an eighth letter moves the second image to line 14.
    std::string tag = image("pic.png", 60, 10);
    EXPECT_EQ((Positions{0}),
              paginateWithImages(kTwelveLines + tag + tag + std::string(7, 'a')).smallPositions());
    Paginated book = paginateWithImages(kTwelveLines + tag + tag + std::string(8, 'a'));
    EXPECT_EQ((Positions{0, 24 + static_cast<uint32_t>(tag.size())}), book.smallPositions());
    EXPECT_EQ(1u, book.tables.images.entries.size());
}

TEST_F(ImageLayoutTest, AnImageOutsideTheImageFolderIsAnErrorAtItsTagAndTakesNoRoom) {
    (void)image("w158.png", 158, 10);
    // The same file reached through "..": refused all the same, so the letter after it stays on line 13.
    std::filesystem::create_directory(folder.file("s"));
    std::string outside = "\\m=\"s/../w158.png\"";
    Paginated book = paginate(kTwelveLines + outside + "a", 0, {}, folder.path());
    EXPECT_EQ(Verdict::Failed, book.verdict);
    EXPECT_EQ((Positions{0}), book.smallPositions());
    EXPECT_TRUE(book.tables.images.entries.empty());
    ASSERT_EQ(1u, book.problems().size());
    EXPECT_EQ("E Image name \"" + outside.substr(4, outside.size() - 5) +
                  "\" must name a file inside the image folder.",
              book.problems()[0]);
    ASSERT_LE(2u, book.reports.size());
    ASSERT_TRUE(book.reports[1].place.has_value());
    EXPECT_EQ(13u, book.reports[1].place->line);
    EXPECT_EQ(1u, book.reports[1].place->column);
}

TEST(RuleLayoutTest, ARuleOnAnEmptyLineFillsIt) {
    // The letter after the rule cannot share its line: line 14 begins after the 8-byte tag.
    Paginated book = paginate(kTwelveLines + "\\w=\"50%\"a");
    EXPECT_EQ(Verdict::Ok, book.verdict);
    EXPECT_EQ((Positions{0, 24 + 8}), book.smallPositions());
    // Without its =" the tag takes no room; what follows is text.
    Paginated broken = paginate(kTwelveLines + "\\w50%\"");
    EXPECT_EQ((Positions{0}), broken.smallPositions());
}

TEST(IndentLayoutTest, AnIndentMovesToAFractionOfTheLineAndNoFurther) {
    // 100 percent is x = 158: the letter after the tag starts line 14, at the break point after the tag.
    Paginated book = paginate(kTwelveLines + "\\T=\"100%\"a");
    EXPECT_EQ((Positions{0, 24 + 9}), book.smallPositions());
    // 150 percent counts as 100: the next indent of 99 percent (156) lies before x = 158.
    std::string warning =
        "W You specified an indent of 99%, which is before the current position of 158 pixels";
    EXPECT_EQ((Lines{warning, warning}), paginate("\\T=\"150%\"\\T=\"99%\"").problems());
    EXPECT_TRUE(paginate("\\T=\"150%\"\\T=\"100%\"").problems().empty());
}

TEST(IndentLayoutTest, AnIndentWithABadDigitStillActsWithItsLeadingDigits) {
    // 5 percent is 7 pixels (not 50 percent, 79).
    std::string digits = "E Indent specifier must be only digits!";
    std::string warning = "W You specified an indent of 1%, which is before the current position of 7 pixels";
    EXPECT_EQ((Lines{digits, warning, digits, warning}), paginate("\\T=\"5x0%\"\\T=\"1%\"").problems());
}

} // namespace
} // namespace quillery::test
