// The pages of a source without a book: `--check --pages` lays out the text the build maps, shows exactly
// what `--inspect --pages` shows of the book built from it, and keeps the build's messages on stderr.
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillery::test {
namespace {

const std::string kGoldenDir = QUILLERY_TEST_DATA_DIR "/golden";

// The small font's pages as JSON (every piece), the large font's as text.
const char* const kOptions[] = {"--json", "--font large"};

// The sample and the generated sources, each copied beside a picture folder as an author has it.
TEST(SourcePagesTest, ASourceShowsThePagesAndLinesOfItsBookInBothFonts) {
    namespace fs = std::filesystem;
    const std::pair<std::string, std::string> sources[] = {
        {QUILLERY_SAMPLES_DIR, "lighthouse"}, {kGoldenDir, "generated0"}, {kGoldenDir, "generated1"}};
    for (const auto& [folder, name] : sources) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        fs::copy_file(folder + "/" + name + ".tml", dir.file(name + ".tml"));
        fs::create_directory(dir.file(name + "_img"));
        fs::copy_file(QUILLERY_SAMPLES_DIR "/lighthouse_img/tower.png", dir.file(name + "_img/tower.png"));
        CliRun pages[2];
        for (int k = 0; k < 2; ++k) {
            pages[k] = runCli("--check --pages " + std::string(kOptions[k]) + " " + dir.file(name + ".tml"));
            EXPECT_EQ(0, pages[k].status) << pages[k].err;
        }
        EXPECT_FALSE(fs::exists(dir.file(name + ".tdb"))); // no book written
        ASSERT_EQ(0, runCli(dir.file(name + ".tml")).status);
        for (int k = 0; k < 2; ++k) {
            CliRun book =
                runCli("--inspect --pages " + std::string(kOptions[k]) + " " + dir.file(name + ".tdb"));
            EXPECT_EQ(0, book.status) << book.err;
            EXPECT_TRUE(pages[k].out == book.out) << kOptions[k];
        }
    }
}

TEST(SourcePagesTest, MessagesGoToStandardErrorAndAFailedBuildStillShowsItsPages) {
    ScratchDir dir;
    writeFile(dir.file("draft.tml"), "TITLE=\"Draft\"\nOne \\z line.\n");
    CliRun run = runCli("--check --pages " + dir.file("draft.tml"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("1 pages in the small font\n"
              "\nPage 1: text record 1, offset 0, position 0; style 0x0000: small font, left\n"
              "  | TITLE=\"Draft\"\n"
              "  | One  line.\n",
              run.out);
    EXPECT_NE(std::string::npos, run.err.find(dir.file("draft.tml") + ":2:5: error: Illegal control code"));
    EXPECT_EQ(std::vector<std::string>{"draft.tml"}, dir.entries());

    CliRun json = runCli("--check --pages --json --diagnostics=json -v " + dir.file("draft.tml"));
    EXPECT_EQ(1, json.status);
    EXPECT_EQ(0u, json.out.find("{\"font\": \"small\", \"pages\": [\n"));
    EXPECT_EQ(std::string::npos, json.out.find("\"level\""));
    EXPECT_NE(std::string::npos, json.err.find("{\"level\": \"error\""));
    EXPECT_NE(std::string::npos, json.err.find("{\"level\": \"note\""));
}

TEST(SourcePagesTest, UsageOfPages) {
    ScratchDir dir;
    writeFile(dir.file("a.tml"), "TITLE=\"A\"\nText.\n");
    writeFile(dir.file("words.tml"), "TITLE=\"Words\"\n\\Iapple\\I a fruit.\n");
    EXPECT_EQ(2, runCli("--pages " + dir.file("a.tml")).status);
    EXPECT_EQ(2, runCli("--check --pages " + dir.file("a.tml") + " " + dir.file("words.tml")).status);
    EXPECT_EQ(2, runCli("--check --json " + dir.file("a.tml")).status);
    CliRun dictionary = runCli("--check --pages --dictionary " + dir.file("words.tml"));
    EXPECT_EQ(0, dictionary.status) << dictionary.err;
    EXPECT_EQ("This book has no pages in the small font (a dictionary book has none).\n", dictionary.out);
}

} // namespace
} // namespace quillery::test
