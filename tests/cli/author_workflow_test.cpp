// quillery-cli as an author uses it from an editor: messages an editor can jump to, and the page preview.
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace quillery {
namespace {

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(AuthorWorkflowTest, EveryPlacedMessageMatchesTheEditorsErrorFormat) {
    test::ScratchDir dir;
    test::writeFile(dir.file("draft.tml"),
                    "TITLE=\"Draft\"\nA fine line.\nA \\ybad tag.\n\n\\q=broken\\q and more.\n");
    test::CliRun run = test::runCli("--check " + dir.file("draft.tml"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ((std::vector<std::string>{"draft.tml"}), dir.entries());
    // Vim's default errorformat reads "%f:%l:%c: %m"; an excerpt that holds line ends continues on lines of
    // its own, which the editor shows under the message.
    std::regex quickfix(R"(^(.+):(\d+):(\d+): (error|warning): (.+)$)");
    std::vector<std::string> places;
    for (const std::string& line : linesOf(run.err)) {
        std::smatch match;
        if (std::regex_match(line, match, quickfix)) {
            EXPECT_EQ(dir.file("draft.tml"), match[1].str());
            places.push_back(match[2].str() + ":" + match[3].str() + " " + match[4].str());
        }
    }
    EXPECT_EQ((std::vector<std::string>{"3:3 error", "5:1 error"}), places);
    std::vector<std::string> lines = linesOf(run.err);
    // The closing verdict has no place and keeps the plain form.
    EXPECT_EQ(dir.file("draft.tml") +
                  ": error: Errors occurred while paginating the book. No output file generated.",
              lines.back());
}

TEST(AuthorWorkflowTest, PagePreviewShowsEveryPageOfTheChosenFont) {
    test::ScratchDir dir;
    test::writeFile(dir.file("short.tml"), "\\vTITLE=\"Short\"\\v\\C0=\"One\"\\cFirst \\bpage\\b.\\c\n"
                                           "Caf\\a233 \\U00E9t\\a233.\\pSecond \\ipage\\i.\n");
    ASSERT_EQ(0, test::runCli(dir.file("short.tml")).status);
    test::CliRun small = test::runCli("--inspect --pages " + dir.file("short.tdb"));
    EXPECT_EQ(0, small.status) << small.err;
    EXPECT_EQ((std::vector<std::string>{
                  "2 pages in the small font", "",
                  "Page 1: text record 1, offset 0, position 0; style 0x0000: small font, left",
                  "  | First page.", "  | Caf\xC3\xA9 \xC3\xA9t\xC3\xA9.", "",
                  "Page 2: text record 1, offset 70, position 70; style 0x0000: small font, left",
                  "  | Second page."}),
              linesOf(small.out));

    test::CliRun large = test::runCli("--inspect --pages --font large --json " + dir.file("short.tdb"));
    EXPECT_EQ(0, large.status);
    EXPECT_NE(std::string::npos, large.out.find("{\"font\": \"large\", \"pages\": ["));
    EXPECT_NE(std::string::npos,
              large.out.find("\"page\": 2, \"record\": 1, \"offset\": 70, \"position\": 70, "
                             "\"style\": 16, \"font\": \"large\""));
    EXPECT_EQ(2, test::runCli("--inspect --pages --font huge " + dir.file("short.tdb")).status);
    EXPECT_EQ(2, test::runCli("--pages " + dir.file("short.tml")).status);
}

TEST(AuthorWorkflowTest, DictionaryBookPreviewSaysItHasNoPages) {
    test::ScratchDir dir;
    test::writeFile(dir.file("words.tml"), "TITLE=\"Words\"\n\\Iapple\\I a fruit.\n\\Ibanana\\I another.\n");
    ASSERT_EQ(0, test::runCli("--dictionary " + dir.file("words.tml")).status);
    test::CliRun run = test::runCli("--inspect --pages " + dir.file("words.tdb"));
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("This book has no pages in the small font (a dictionary book has none).\n", run.out);
}

} // namespace
} // namespace quillery
