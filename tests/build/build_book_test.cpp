#include "build/build_book.h"
#include "png_fixture.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace quillery {
namespace {

class BuildBookTest : public ::testing::Test {
  protected:
    Verdict build(const std::string& sourceName, const std::string& outputName,
                  const std::string& title = "Tale", const BuildSettings& settings = {}) {
        BookInfo info;
        info.title = WideString::fromAnsi(title);
        FileService source(dir.file(sourceName));
        FileService output(dir.file(outputName));
        return buildBook(&source, &output, info, 0, settings);
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
    for (const std::string name : {"tale.tml.tmp", "tale.tml.img"}) {
        reports.clear();
        EXPECT_EQ(Verdict::Failed, build("tale.tml", name));
        EXPECT_EQ((std::vector<std::string>{"E The file \"" + name + "\" could not be opened for writing."}),
                  reports.lines());
        EXPECT_EQ((std::vector<std::string>{"tale.tml"}), dir.entries());
    }
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

// The sink the settings name takes every report of the build; the caller's sink and text are back afterwards.
TEST_F(BuildBookTest, ReportsGoToTheSinkOfTheSettingsForTheBuildOnly) {
    test::writeFile(dir.file("tale.tml"), "text");
    test::writeFile(dir.file("tale_img"), "not a folder");
    test::CollectingSink own;
    BuildSettings settings;
    settings.diagnostics = &own;
    ReportTextScope callersText("one\ntwo");
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb", "Tale", settings));
    EXPECT_EQ(
        (std::vector<std::string>{"W The image directory \"" + dir.file("tale_img") + "\" isn't a directory.",
                                  "N Writing book <Tale> from file <tale.tml>...",
                                  "N Generating page tables for the small font...",
                                  "N Generating page tables for the large font...", "N Done."}),
        own.lines());
    EXPECT_TRUE(reports.reports().empty());
    reportWarningAt(5, "After the build.");
    ASSERT_EQ(1u, reports.reports().size());
    ASSERT_TRUE(reports.reports()[0].place);
    EXPECT_EQ(2u, reports.reports()[0].place->line);
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

// The real file system with a hook that runs right after each file the build makes has been created.
class HookedFiles : public FileSystem {
  public:
    std::unique_ptr<FileService> createNew(const std::string& path) override {
        auto file = FileSystem::createNew(path);
        if (file && afterCreate) {
            afterCreate(path);
        }
        return file;
    }
    std::unique_ptr<FileService> createHidden(const std::string& folder) override {
        auto file = FileSystem::createHidden(folder);
        if (file && afterCreate) {
            afterCreate(file->path());
        }
        return file;
    }
    std::function<void(const std::string&)> afterCreate;
};

// Fixed date and random tag, so that two builds of one source give the same bytes.
class FixedEpoch {
  public:
    FixedEpoch() { ::setenv("SOURCE_DATE_EPOCH", "1780000000", 1); }
    ~FixedEpoch() { ::unsetenv("SOURCE_DATE_EPOCH"); }
};

// A source with main text over several records, a sidebar and a footnote: every temporary file is used.
std::string threeTempSource() {
    std::string text = "\\Sd=\"note\"x\\Sd \\Fn=\"foot\"y\\Fn ";
    for (int i = 0; i < 3000; ++i) {
        text += "words and more words ";
    }
    return text +
           "\n<sidebar id=\"note\">A sidebar.</sidebar>\n<footnote id=\"foot\">A footnote.</footnote>\n";
}

// Someone swaps each temporary name for a link to another file right after the build made it: the build
// goes on through what it created, so the other file is neither written nor read into the book.
TEST_F(BuildBookTest, TemporaryNamesSwappedForLinksAreNeverFollowed) {
    FixedEpoch epoch;
    test::writeFile(dir.file("tale.tml"), threeTempSource());
    ASSERT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb"));
    std::string good = test::readFile(dir.file("tale.tdb"));
    ASSERT_EQ(0, std::remove(dir.file("tale.tdb").c_str()));

    const std::string secret(100000, 'S');
    test::writeFile(dir.file("secret"), secret);
    HookedFiles files;
    std::vector<std::string> swapped;
    bool swapBook = false;
    files.afterCreate = [&](const std::string& path) {
        if (!swapBook && path.find("/.quillery-") != std::string::npos) {
            return;
        }
        std::string aside = dir.file("aside" + std::to_string(swapped.size()));
        ASSERT_EQ(0, std::rename(path.c_str(), aside.c_str()));
        ASSERT_EQ(0, ::symlink(dir.file("secret").c_str(), path.c_str()));
        swapped.push_back(path);
    };
    BuildSettings settings;
    settings.files = &files;
    reports.clear();
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb", "Tale", settings));
    // The text records, sidebar and footnote came from the files the build made, not from the secret.
    EXPECT_EQ(3u, swapped.size());
    EXPECT_EQ(good, test::readFile(dir.file("tale.tdb")));
    EXPECT_EQ(secret, test::readFile(dir.file("secret")));
    // The links at the temporary names are removed (not what they point to).
    for (const char* name : {"tale.tml.tmp", "tale.tml.sid", "tale.tml.ftn"}) {
        struct stat info {};
        EXPECT_NE(0, ::lstat(dir.file(name).c_str(), &info)) << name;
    }

    // A link put at the book's hidden name never becomes the book: the build fails and leaves no output.
    swapBook = true;
    swapped.clear();
    reports.clear();
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb", "Tale", settings));
    EXPECT_EQ(4u, swapped.size());
    EXPECT_EQ("E An error occurred writing the file " + dir.file("tale.tdb") + ".", reports.lines().back());
    struct stat info {};
    EXPECT_NE(0, ::lstat(dir.file("tale.tdb").c_str(), &info));
    EXPECT_EQ(secret, test::readFile(dir.file("secret")));
    // What the build wrote went into the file it made (set aside here).
    EXPECT_EQ(good, test::readFile(dir.file("aside3")));
}

TEST_F(BuildBookTest, ASidebarFileThatCannotBeMadeFailsTheBuild) {
    test::writeFile(dir.file("tale.tml"), threeTempSource());
    ASSERT_EQ(0, ::mkdir(dir.file("tale.tml.sid").c_str(), 0777));
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb"));
    std::vector<std::string> lines = reports.lines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(),
                                     "E Could not create file " + dir.file("tale.tml.sid") + "."));
    EXPECT_EQ((std::vector<std::string>{"tale.tml", "tale.tml.sid"}), dir.entries());
}

// A numbered output never replaces a file, even one that appears while the book is written.
TEST_F(BuildBookTest, AnOutputThatMayNotBeReplacedIsNeverReplaced) {
    test::writeFile(dir.file("tale.tml"), "Once upon a time.");
    HookedFiles files;
    files.afterCreate = [&](const std::string& path) {
        if (path.find("/.quillery-") != std::string::npos) {
            test::writeFile(dir.file("tale.1.tdb"), "someone else's");
        }
    };
    BuildSettings settings;
    settings.files = &files;
    settings.replaceOutput = false;
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.1.tdb", "Tale", settings));
    EXPECT_EQ("E An error occurred writing the file " + dir.file("tale.1.tdb") + ".", reports.lines().back());
    EXPECT_EQ("someone else's", test::readFile(dir.file("tale.1.tdb")));
    EXPECT_EQ((std::vector<std::string>{"tale.1.tdb", "tale.tml"}), dir.entries());

    // Allowed to replace, the finished book takes the name.
    settings.replaceOutput = true;
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.1.tdb", "Tale", settings));
    EXPECT_NE("someone else's", test::readFile(dir.file("tale.1.tdb")));
    EXPECT_EQ((std::vector<std::string>{"tale.1.tdb", "tale.tml"}), dir.entries());
}

// A file whose every write fails, as on a full disk.
class FullFile : public FileService {
  public:
    using FileService::FileService;
    int write(const void*, size_t) override { return 1; }
};

// The real file system, except that the file at `fullPath` cannot be written.
class FullAt : public FileSystem {
  public:
    std::unique_ptr<FileService> createNew(const std::string& path) override {
        created.push_back(path);
        if (path != fullPath) {
            return FileSystem::createNew(path);
        }
        auto file = std::make_unique<FullFile>(path);
        return file->createNew() == 0 ? std::move(file) : nullptr;
    }
    std::string fullPath;
    std::vector<std::string> created;
};

// Converted images wait in a temporary file beside the source, made only when there is an image, removed
// afterwards like the others; a failure to make or write it ends the build without a book.
TEST_F(BuildBookTest, ConvertedImagesWaitInATemporaryFileOfTheBuild) {
    std::filesystem::create_directories(dir.file("tale_img"));
    test::PngImage picture;
    picture.width = 8;
    picture.height = 8;
    picture.rows = test::noiseRows(picture);
    test::writeFile(dir.file("tale_img/pic.png"), test::encodePng(picture));
    test::writeFile(dir.file("tale_img/other.png"), test::encodePng(picture));
    test::writeFile(dir.file("tale.tml"),
                    "\\m=\"pic.png\" \\Fn=\"f\"x\\Fn\n"
                    "<footnote id=\"f\">\\m=\"other.png\" \\m=\"pic.png\"</footnote>\n");
    test::writeFile(dir.file("tale.tml.img"), "stale");
    const std::string streams = dir.file("tale.tml.img");
    FullAt files;
    BuildSettings settings;
    settings.files = &files;
    EXPECT_EQ(Verdict::Ok, build("tale.tml", "tale.tdb", "Tale", settings));
    EXPECT_FALSE(reports.hasErrors()) << ::testing::PrintToString(reports.lines());
    EXPECT_EQ(1, std::count(files.created.begin(), files.created.end(), streams));
    EXPECT_EQ((std::vector<std::string>{"tale.tdb", "tale.tml", "tale_img"}), dir.entries());

    files.fullPath = streams;
    reports.clear();
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb", "Tale", settings));
    std::vector<std::string> lines = reports.lines();
    ASSERT_LE(3u, lines.size());
    EXPECT_EQ((std::vector<std::string>{
                  "E An error occurred writing the file " + streams + ".",
                  "E Errors occurred while paginating the book. No output file generated.", "N Done."}),
              std::vector<std::string>(lines.end() - 3, lines.end()));
    EXPECT_EQ((std::vector<std::string>{"tale.tml", "tale_img"}), dir.entries());

    // Without images no such file is made, so nothing stands in the way of a book.
    files.created.clear();
    test::writeFile(dir.file("plain.tml"), "No pictures.");
    reports.clear();
    EXPECT_EQ(Verdict::Ok, build("plain.tml", "plain.tdb", "Plain", settings));
    EXPECT_EQ(0, std::count(files.created.begin(), files.created.end(), dir.file("plain.tml.img")));
    ASSERT_EQ(0, std::remove(dir.file("plain.tdb").c_str()));

    ASSERT_EQ(0, ::mkdir(streams.c_str(), 0777));
    reports.clear();
    EXPECT_EQ(Verdict::Failed, build("tale.tml", "tale.tdb"));
    lines = reports.lines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "E Could not create file " + streams + "."));
    EXPECT_EQ((std::vector<std::string>{"plain.tml", "tale.tml", "tale.tml.img", "tale_img"}), dir.entries());
}

// A check keeps its scratch names short: a source name of 252 bytes or more is checked like any other.
TEST_F(BuildBookTest, ACheckWorksForTheLongestSourceNames) {
    for (size_t length : {size_t{252}, size_t{255}}) {
        std::string name = std::string(length - 4, 'n') + ".tml";
        test::writeFile(dir.file(name), "Once upon a time.");
        BuildSettings settings;
        settings.checkOnly = true;
        reports.clear();
        EXPECT_EQ(Verdict::Ok, build(name, "", "Tale", settings)) << length;
        EXPECT_FALSE(reports.hasErrors()) << reports.lines().back();
        EXPECT_EQ((std::vector<std::string>{name}), dir.entries());
        ASSERT_EQ(0, std::remove(dir.file(name).c_str()));
    }
}

} // namespace
} // namespace quillery
