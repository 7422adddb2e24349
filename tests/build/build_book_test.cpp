#include "build/build_book.h"
#include "png_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace quillery {
namespace {

class BuildBookTest : public ::testing::Test {
  protected:
    Verdict build(const std::string& sourceName, const std::string& outputName,
                  const std::string& title = "Tale") {
        BookInfo info;
        info.title = WideString::fromAnsi(title);
        FileService source(dir.file(sourceName));
        FileService output(dir.file(outputName));
        return buildBook(&source, &output, info, 0);
    }

    test::ScratchDir dir;
    test::ReportCollector reports;
};

TEST_F(BuildBookTest, BuildsAndLeavesNoTemporaryFiles) {
    test::writeFile(dir.file("tale.tml"), "Once upon a time.\r\n");
    test::writeFile(dir.file("tale.tml.tmp"), "stale");
    test::writeFile(dir.file("tale.tml.sid"), "stale");
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb"));
    EXPECT_EQ((std::vector<std::string>{"N Writing book <Tale> from file <tale.tml>...",
                                        "N Generating page tables for the small font...",
                                        "N Generating page tables for the large font...", "N Done."}),
              reports.lines());
    EXPECT_EQ((std::vector<std::string>{"tale.tdb", "tale.tml"}), dir.entries());
}

TEST_F(BuildBookTest, SameFileIsRefusedAtOnce) {
    test::writeFile(dir.file("tale.tml"), "text");
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "./tale.tml"));
    EXPECT_EQ((std::vector<std::string>{"E The input and output files are the same! (tale.tml)"}),
              reports.lines());
    EXPECT_EQ("text", test::readFile(dir.file("tale.tml")));
}

TEST_F(BuildBookTest, HardLinkedOutputIsTheSameFile) {
    test::writeFile(dir.file("tale.tml"), "text");
    ASSERT_EQ(0, ::link(dir.file("tale.tml").c_str(), dir.file("tale.tdb").c_str()));
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb"));
    EXPECT_EQ("text", test::readFile(dir.file("tale.tml")));
}

TEST_F(BuildBookTest, BothFileErrorsAreGivenAndNoEmptyBookIsLeft) {
    EXPECT_EQ(Verdict::Failed, build("missing.tml", "missing.tdb"));
    EXPECT_EQ((std::vector<std::string>{"E The input file \"missing.tml\" could not be opened."}),
              reports.lines());
    // The output the check created is removed again.
    EXPECT_TRUE(dir.entries().empty());

    reports.clear();
    ASSERT_EQ(0, ::mkdir(dir.file("book.tdb").c_str(), 0777));
    EXPECT_EQ(Verdict::Failed, build("missing.tml", "book.tdb"));
    EXPECT_EQ((std::vector<std::string>{"E The input file \"missing.tml\" could not be opened.",
                                        "E The file \"book.tdb\" could not be opened for writing."}),
              reports.lines());
}

TEST_F(BuildBookTest, ExistingOutputSurvivesAFailedCheck) {
    test::writeFile(dir.file("old.tdb"), "old book");
    EXPECT_EQ(Verdict::Failed, build("missing.tml", "old.tdb"));
    EXPECT_EQ("old book", test::readFile(dir.file("old.tdb")));
}

TEST_F(BuildBookTest, OutputThatIsNotARegularFileIsRefusedUntouched) {
    test::writeFile(dir.file("tale.tml"), "text");
    BookInfo info;
    info.title = WideString(u"Tale");
    FileService source(dir.file("tale.tml"));
    FileService device("/dev/null");
    EXPECT_EQ(Verdict::Failed, buildBook(&source, &device, info, 0));
    EXPECT_EQ((std::vector<std::string>{"E The file \"null\" could not be opened for writing."}),
              reports.lines());
    EXPECT_TRUE(test::fileExists("/dev/null"));
}

TEST_F(BuildBookTest, OutputOnATemporaryPathIsRefused) {
    test::writeFile(dir.file("tale.tml"), "text");
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tml.tmp"));
    EXPECT_EQ((std::vector<std::string>{"E The file \"tale.tml.tmp\" could not be opened for writing."}),
              reports.lines());
    EXPECT_EQ((std::vector<std::string>{"tale.tml"}), dir.entries());
}

TEST_F(BuildBookTest, WarnsAboutNameAndImageFolderAndGoesOn) {
    test::writeFile(dir.file("tale.tml"), "text");
    test::writeFile(dir.file("tale_img"), "not a folder");
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb", "Part 1: Beginnings"));
    EXPECT_EQ((std::vector<std::string>{
                  "W Colons are not currently permitted in the book title. Translating colons to hyphens.",
                  "W The image directory \"" + dir.file("tale_img") + "\" isn't a directory.",
                  "N Writing book <Part 1- Beginnings> from file <tale.tml>...",
                  "N Generating page tables for the small font...",
                  "N Generating page tables for the large font...", "N Done."}),
              reports.lines());
}

TEST_F(BuildBookTest, FailedStageDeletesTheOldOutput) {
    // A folder in the way of the text temp file: the text cannot be stored.
    test::writeFile(dir.file("tale.tml"), "text");
    test::writeFile(dir.file("tale.tdb"), "old book");
    ASSERT_EQ(0, ::mkdir(dir.file("tale.tml.tmp").c_str(), 0777));
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb"));
    EXPECT_EQ((std::vector<std::string>{"N Writing book <Tale> from file <tale.tml>...",
                                        "E Could not create file " + dir.file("tale.tml.tmp") + "."}),
              reports.lines());
    EXPECT_EQ((std::vector<std::string>{"tale.tml", "tale.tml.tmp"}), dir.entries());
}

TEST_F(BuildBookTest, OverlongNamesAreReportedNotOverrun) {
    std::string name(300, 'n');
    EXPECT_EQ(Verdict::Failed, build(name + ".tml", name + ".tdb"));
    std::string shown(255, 'n');
    EXPECT_EQ((std::vector<std::string>{"E The input file \"" + shown + "\" could not be opened.",
                                        "E The file \"" + shown + "\" could not be opened for writing."}),
              reports.lines());
}

// With ln -s real/sub link, "link/.." is real: the output checked, deleted and written there is one file,
// and the source read through the link finds its images beside it.
TEST_F(BuildBookTest, PathsThroughALinkAndParentStepNameOneFile) {
    std::filesystem::create_directories(dir.file("real/sub"));
    ASSERT_EQ(0, ::symlink(dir.file("real/sub").c_str(), dir.file("link").c_str()));
    std::filesystem::create_directories(dir.file("real/story_img"));
    test::PngImage picture;
    picture.width = 8;
    picture.height = 8;
    picture.rows = test::noiseRows(picture);
    test::writeFile(dir.file("real/story_img/pic.png"), test::encodePng(picture));
    test::writeFile(dir.file("real/story.tml"), "A picture: \\m=\"pic.png\"\n");
    test::writeFile(dir.file("real/story.tdb"), "old book");
    test::writeFile(dir.file("story.tdb"), "unrelated book");

    EXPECT_EQ(Verdict::Ok, build("link/../story.tml", "link/../story.tdb"));
    EXPECT_FALSE(reports.hasErrors()) << ::testing::PrintToString(reports.lines());
    EXPECT_EQ("unrelated book", test::readFile(dir.file("story.tdb")));
    EXPECT_NE("old book", test::readFile(dir.file("real/story.tdb")));
    EXPECT_EQ((std::vector<std::string>{"link", "real", "story.tdb"}), dir.entries());
}

TEST_F(BuildBookTest, OutputInTheImageFolderIsRefusedBeforeAnythingIsTouched) {
    std::filesystem::create_directories(dir.file("s_img/deep"));
    test::writeFile(dir.file("s.tml"), "text");
    test::writeFile(dir.file("s_img/pic.png"), "picture");
    EXPECT_EQ(Verdict::Failed, build("s.tml", "s_img/pic.png"));
    EXPECT_EQ((std::vector<std::string>{"E The file \"pic.png\" could not be opened for writing: it is in "
                                        "the image folder of the source."}),
              reports.lines());
    EXPECT_EQ("picture", test::readFile(dir.file("s_img/pic.png")));
    // Deeper down, or reached through a link, it is the same folder.
    ASSERT_EQ(0, ::symlink(dir.file("s_img/deep").c_str(), dir.file("pictures").c_str()));
    EXPECT_EQ(Verdict::Failed, build("s.tml", "pictures/new.tdb"));
    EXPECT_EQ(Verdict::Failed, build("s.tml", "s_img/deep/new.tdb"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("s_img/deep")));
    EXPECT_EQ("picture", test::readFile(dir.file("s_img/pic.png")));
}

TEST_F(BuildBookTest, MissingFileObjectsBuildNothing) {
    BookInfo info;
    FileService output(dir.file("x.tdb"));
    EXPECT_EQ(Verdict::Failed, buildBook(nullptr, &output, info, 0));
    EXPECT_TRUE(reports.lines().empty());
    EXPECT_TRUE(dir.entries().empty());
}

} // namespace
} // namespace quillery
