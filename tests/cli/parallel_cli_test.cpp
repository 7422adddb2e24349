// quillery-cli on several threads gives what it gives on one: the same books and files, the same messages in
// the same order (each source's together, in command-line order) and the same exit status.
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <unistd.h>

namespace quillery::test {
namespace {

namespace fs = std::filesystem;

const std::string kGolden = QUILLERY_TEST_DATA_DIR "/golden/";

// Sources that succeed, fail, lack a title, do not exist, or aim at one book.
void makeSources(const ScratchDir& dir) {
    fs::remove_all(dir.path());
    fs::create_directory(dir.path());
    for (const char* name : {"generated0", "generated1"}) {
        fs::copy_file(kGolden + name + ".tml", dir.file(std::string(name) + ".tml"));
        fs::create_directory(dir.file(std::string(name) + "_img"));
        fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse_img/tower.png",
                      dir.file(std::string(name) + "_img/tower.png"));
    }
    fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse.tml", dir.file("lighthouse.tml"));
    fs::copy(QUILLERY_SAMPLES_DIR "/lighthouse_img", dir.file("lighthouse_img"));
    writeFile(dir.file("a.tml"), "TITLE=\"From tml\"\nText.\n");
    writeFile(dir.file("a.txt"), "TITLE=\"From txt\"\nText.\n");
    writeFile(dir.file("b.tml"), "TITLE=\"B\"\n\\y\n");
    writeFile(dir.file("b.txt"), "TITLE=\"B\"\nFine, with a warning \\Q=\"x\" \\Q=\"x\".\n");
    writeFile(dir.file("untitled.tml"), "No title here.\n");
    writeFile(dir.file("old.tdb"), "an earlier book");
    writeFile(dir.file("old.tml"), "TITLE=\"Old\"\nNew text.\n");
}

std::map<std::string, std::string> folderContents(const ScratchDir& dir) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
        if (entry.is_regular_file()) {
            contents[fs::relative(entry.path(), dir.path()).string()] = readFile(entry.path().string());
        }
    }
    return contents;
}

TEST(ParallelCliTest, EveryNumberOfThreadsGivesTheOneThreadRun) {
    const std::string sources =
        "generated0.tml a.tml b.tml generated1.tml a.txt untitled.tml missing.tml b.txt lighthouse.tml "
        "old.tml lighthouse.tml";
    for (const std::string options : {"", "--keep-existing", "--werror --diagnostics=json", "--check -v"}) {
        SCOPED_TRACE(options);
        CliRun alone;
        std::map<std::string, std::string> aloneFiles;
        // One folder for every run, so that the paths in the messages are the same.
        ScratchDir dir;
        for (const char* jobs : {"-j 1", "-j 3", "--jobs=2", ""}) {
            SCOPED_TRACE(jobs);
            makeSources(dir);
            CliRun run = runCli(std::string(jobs) + " " + options + " " + sources,
                                "cd " + dir.path() + " && SOURCE_DATE_EPOCH=1780000000");
            std::map<std::string, std::string> files = folderContents(dir);
            if (std::string(jobs) == "-j 1") {
                EXPECT_EQ(1, run.status);
                EXPECT_FALSE(run.err.empty() && run.out.empty());
                alone = run;
                aloneFiles = files;
                continue;
            }
            EXPECT_EQ(alone.status, run.status);
            EXPECT_EQ(alone.out, run.out);
            EXPECT_EQ(alone.err, run.err);
            EXPECT_TRUE(aloneFiles == files) << "the files differ";
        }
    }
}

// Two sources whose books are one file reached by two folder names (one a link to the other) are not built
// side by side: the second is refused as it is on one thread, even though the book does not exist yet.
TEST(ParallelCliTest, ABookReachedThroughALinkedFolderIsStillOneBook) {
    ScratchDir dir;
    writeFile(dir.file("a.tml"), "TITLE=\"From tml\"\nText.\n");
    writeFile(dir.file("a.txt"), "TITLE=\"From txt\"\nText.\n");
    ASSERT_EQ(0, ::symlink(dir.path().c_str(), dir.file("again").c_str()));
    CliRun run = runCli("-j 2 " + dir.file("a.tml") + " " + dir.file("again/a.txt"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("was already written from")) << run.err;
    EXPECT_NE(std::string::npos, readFile(dir.file("a.tdb")).find("From tml"));
}

TEST(ParallelCliTest, AJobCountMustBeAPositiveNumber) {
    for (const std::string jobs : {"-j 0", "-j x", "-j", "--jobs=", "-j -1", "-j 99999"}) {
        CliRun run = runCli(jobs + " a.tml");
        EXPECT_EQ(2, run.status) << jobs;
        EXPECT_NE(std::string::npos, run.err.find("-j takes a number of threads from 1 to 1024")) << jobs;
    }
}

} // namespace
} // namespace quillery::test
