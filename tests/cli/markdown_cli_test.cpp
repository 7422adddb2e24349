// quillery-cli with Markdown sources: books built from .md files, messages at Markdown places, and
// --emit-tml.
#include "cli/cli_options.h"
#include "cli_runner.h"
#include "png_fixture.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

using test::CliRun;
using test::runCli;

constexpr const char* kStory = "---\ntitle: Story\n---\n# One\n\nText with caf\xC3\xA9.\n\n![p](pic.png)\n";

void writePicture(const std::string& path) {
    test::PngImage picture;
    picture.width = 8;
    picture.height = 8;
    picture.rows = test::noiseRows(picture);
    test::writeFile(path, test::encodePng(picture));
}

TEST(MarkdownCliTest, BuildsABookWithMessagesAtMarkdownPlaces) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.md"), kStory);
    writePicture(dir.file("pic.png"));
    CliRun run = runCli("'" + dir.file("story.md") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(dir.file("story.md") + ":6:1: warning: Non-ASCII characters in file; attempting to map them\n",
              run.err);
    EXPECT_TRUE(test::fileExists(dir.file("story.tdb")));
    // Nothing of the conversion is left beside the source.
    EXPECT_EQ((std::vector<std::string>{"pic.png", "story.md", "story.tdb"}), dir.entries());

    run = runCli("--diagnostics=json -o '" + dir.file("other.tdb") + "' '" + dir.file("story.md") + "'");
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("attempting to map them\", \"file\": \"" +
                                              dir.file("story.md") + "\", \"line\": 6, \"column\": 1}"))
        << run.out;

    // The header fields take no room: the first page begins with the first chapter.
    CliRun pages = runCli("--inspect --pages '" + dir.file("story.tdb") + "'");
    EXPECT_NE(std::string::npos, pages.out.find("position 0; style 0x0000: small font, left\n  | One\n"))
        << pages.out;

    CliRun inspect = runCli("--inspect '" + dir.file("story.tdb") + "'");
    EXPECT_NE(std::string::npos, inspect.out.find("\"One\"")) << inspect.out;
    EXPECT_NE(std::string::npos, inspect.out.find("\"pic.png\" 8x8")) << inspect.out;
}

TEST(MarkdownCliTest, TitleImageAndUsageProblemsFailTheSource) {
    test::ScratchDir dir;
    test::writeFile(dir.file("untitled.md"), "# No title\n");
    CliRun run = runCli("'" + dir.file("untitled.md") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(dir.file("untitled.md") +
                  ": error: The book has no title: add \"title:\" to the front matter or pass --title.\n",
              run.err);
    EXPECT_EQ(0, runCli("--title Given '" + dir.file("untitled.md") + "'").status);

    test::writeFile(dir.file("lost.md"), "---\ntitle: T\n---\n\nText\n\n![x](../elsewhere.png)\n");
    run = runCli("'" + dir.file("lost.md") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(
        dir.file("lost.md") +
            ":7:1: error: The image \"../elsewhere.png\" lies outside the folder of the Markdown file.\n",
        run.err);
    EXPECT_FALSE(test::fileExists(dir.file("lost.tdb")));

    std::string error;
    EXPECT_FALSE(cli::parseCliOptions({"--force", "a.md"}, error));
    EXPECT_FALSE(cli::parseCliOptions({"--emit-tml", "--check", "a.md"}, error));
    EXPECT_TRUE(cli::parseCliOptions({"--emit-tml", "--force", "-o", "x.tml", "a.md"}, error));
}

TEST(MarkdownCliTest, EmitTmlWritesTheMarkupAndImagesAndKeepsHandEdits) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.md"), kStory);
    writePicture(dir.file("pic.png"));
    CliRun run = runCli("--emit-tml '" + dir.file("story.md") + "'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("\\vTITLE=\"Story\"\nAUTHOR=\"\"\nPUBLISHER=\"\"\nEISBN=\"\"\nCOPYRIGHT=\"\"\n\n\\v"
              "\\x\\Q=\"one\"One\\x\n\nText with caf\xE9.\n\n\\m=\"pic.png\"\n",
              test::readFile(dir.file("story.tml")));
    EXPECT_EQ(test::readFile(dir.file("pic.png")), test::readFile(dir.file("story_img/pic.png")));
    EXPECT_FALSE(test::fileExists(dir.file("story.tdb")));

    // The written source builds as it is.
    EXPECT_EQ(0, runCli("'" + dir.file("story.tml") + "'").status);

    // A hand-edited source is never replaced without --force.
    test::writeFile(dir.file("story.tml"), "edited");
    run = runCli("--emit-tml '" + dir.file("story.md") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(dir.file("story.md") + ": error: \"" + dir.file("story.tml") +
                  "\" already exists; pass --force to replace it.\n" + dir.file("story.md") + ": error: \"" +
                  dir.file("story_img") + "\" already exists; pass --force to replace it.\n",
              run.err);
    EXPECT_EQ("edited", test::readFile(dir.file("story.tml")));
    EXPECT_EQ(0, runCli("--emit-tml --force '" + dir.file("story.md") + "'").status);
    EXPECT_NE("edited", test::readFile(dir.file("story.tml")));

    // -o names the markup source; its image folder goes beside it.
    EXPECT_EQ(0,
              runCli("--emit-tml -o '" + dir.file("copy.tml") + "' '" + dir.file("story.md") + "'").status);
    EXPECT_TRUE(test::fileExists(dir.file("copy_img/pic.png")));
    run = runCli("--emit-tml '" + dir.file("copy.tml") + "'");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("--emit-tml converts Markdown (.md) and EPUB (.epub) sources")) << run.err;
}

} // namespace
} // namespace quillery
