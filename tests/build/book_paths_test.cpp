#include "build/block_split.h"
#include "build/book_paths.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(BookNameTest, ShortensLongTitlesAndTranslatesColons) {
    test::ReportCollector reports;
    EXPECT_EQ("ABCDEFGHIJKLMNOPQRSTUVWXYZ012", bookNameFromTitle("ABCDEFGHIJKLMNOPQRSTUVWXYZ012"));
    EXPECT_TRUE(reports.lines().empty());

    EXPECT_EQ("ABCDEFGHIJKLM...RSTUVWXYZ0123", bookNameFromTitle("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"));
    EXPECT_EQ(
        (std::vector<std::string>{
            "W Book name is greater than 29 characters.  Truncating to \"ABCDEFGHIJKLM...RSTUVWXYZ0123\"."}),
        reports.lines());

    reports.clear();
    EXPECT_EQ("Part 1- Beginnings", bookNameFromTitle("Part 1: Beginnings"));
    EXPECT_EQ((std::vector<std::string>{
                  "W Colons are not currently permitted in the book title. Translating colons to hyphens."}),
              reports.lines());

    reports.clear();
    EXPECT_EQ("Part-1-two-xx...0123456789012", bookNameFromTitle("Part:1:two-xxxxxxxxxxxxxx0123456789012"));
    ASSERT_EQ(2u, reports.lines().size());
    EXPECT_EQ("W Book name is greater than 29 characters.  Truncating to \"Part:1:two-xx...0123456789012\".",
              reports.lines()[0]);
}

TEST(BookNameTest, TitleIsFirstCutTo255Bytes) {
    test::ReportCollector reports;
    std::string title = std::string(250, 'a') + "BCDEFGHIJKLMNOP";
    // The last 13 bytes are those of the first 255.
    EXPECT_EQ("aaaaaaaaaaaaa...aaaaaaaaBCDEF", bookNameFromTitle(title));
}

TEST(BookPathsTest, ImageFolderDropsOnlyExactTextExtensions) {
    EXPECT_EQ("/x/tale_img", imageFolderPath("/x/tale.txt"));
    EXPECT_EQ("/x/tale_img", imageFolderPath("/x/tale.tml"));
    EXPECT_EQ("/x/tale.TXT_img", imageFolderPath("/x/tale.TXT"));
    EXPECT_EQ("/x/tale_img", imageFolderPath("/x/tale"));
    EXPECT_EQ("/x.tml/tale_img", imageFolderPath("/x.tml/tale"));
    TempPaths temps = tempPathsFor("/books/story.tml");
    EXPECT_EQ("/books/story.tml.tmp", temps.text);
    EXPECT_EQ("/books/story.tml.sid", temps.sidebars);
    EXPECT_EQ("/books/story.tml.ftn", temps.footnotes);
    EXPECT_EQ("/books/story.tml.img", temps.images);
}

TEST(BookPathsTest, OutputNamesBesideTheSource) {
    test::ScratchDir dir;
    EXPECT_EQ(dir.file("my.book.tdb"), outputPathFor(dir.file("my.book.tml"), false));
    EXPECT_EQ(dir.file("noext.tdb"), outputPathFor(dir.file("noext"), false));
    std::string longName(300, 'n');
    std::string output = outputPathFor(dir.file(longName + ".tml"), false);
    EXPECT_EQ(dir.file(std::string(251, 'n') + ".tdb"), output);

    test::writeFile(dir.file("story.tdb"), "");
    test::writeFile(dir.file("story.1.tdb"), "");
    EXPECT_EQ(dir.file("story.tdb"), outputPathFor(dir.file("story.tml"), false));
    EXPECT_EQ(dir.file("story.2.tdb"), outputPathFor(dir.file("story.tml"), true));
}

TEST(BookPathsTest, NumberingStopsAtItsLimit) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.tdb"), "");
    test::writeFile(dir.file("story.1.tdb"), "");
    test::writeFile(dir.file("story.2.tdb"), "");
    EXPECT_EQ(dir.file("story.3.tdb"), outputPathFor(dir.file("story.tml"), true, 3));
    test::writeFile(dir.file("story.3.tdb"), "");
    EXPECT_EQ("", outputPathFor(dir.file("story.tml"), true, 3));
    // A name whose bytes stop at a NUL for the system: every numbered name "exists".
    test::writeFile(dir.file("one.tml"), "");
    EXPECT_EQ("", outputPathFor(dir.file("one.tml") + std::string(1, '\0') + ".txt", true));
}

TEST(BookPathsTest, CutsNeverSplitAUtf8Sequence) {
    EXPECT_EQ("ab", cutUtf8("ab\xC3\xA9", 3));
    EXPECT_EQ("ab\xC3\xA9", cutUtf8("ab\xC3\xA9", 4));
    EXPECT_EQ("abc", cutUtf8("abc", 10));
}

TEST(BlockSplitTest, MainTextEndsAtTheFirstDefinition) {
    EXPECT_EQ(5u, mainTextLength("text\n<footnote id=\"a\">x</footnote><sidebar id=\"b\">"));
    EXPECT_EQ(3u, mainTextLength("ab <sidebar id=\"s\">"));
    std::string_view noDefinition = "<SIDEBAR id=\"s\"> and <sidebar id=x";
    EXPECT_EQ(noDefinition.size(), mainTextLength(noDefinition));
    EXPECT_EQ(1u, mainTextLength("<<sidebar id=\""));
}

} // namespace
} // namespace quillery
