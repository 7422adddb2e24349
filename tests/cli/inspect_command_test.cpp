#include "cli/inspect_command.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace quillery {
namespace {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs quillery-cli with `arguments` (shell words) and SOURCE_DATE_EPOCH fixed.
CommandResult runCli(const test::ScratchDir& dir, const std::string& arguments) {
    std::string command = "SOURCE_DATE_EPOCH=1000000000 '" QUILLERY_CLI_PATH "' " + arguments + " >'" +
                          dir.file("stdout") + "' 2>'" + dir.file("stderr") + "'";
    int status = std::system(command.c_str());
    CommandResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = test::readFile(dir.file("stdout"));
    result.err = test::readFile(dir.file("stderr"));
    return result;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(InspectCommandTest, BuildsAreReproducibleAndInspectable) {
    test::ScratchDir dir;
    std::string body = "TITLE=\"Harbour Notes\"\nAUTHOR=\"M. Dunlin\"\n";
    for (int i = 0; i < 800; ++i) {
        body += "The tide came in over the causeway and the gulls rode the wind. ";
    }
    test::writeFile(dir.file("notes.tml"), body);

    ASSERT_EQ(runCli(dir, "'" + dir.file("notes.tml") + "'").status, 0);
    ASSERT_EQ(runCli(dir, "-o '" + dir.file("again.tdb") + "' '" + dir.file("notes.tml") + "'").status, 0);
    std::string book = test::readFile(dir.file("notes.tdb"));
    ASSERT_FALSE(book.empty());
    EXPECT_EQ(book, test::readFile(dir.file("again.tdb")));

    CommandResult text = runCli(dir, "--inspect '" + dir.file("notes.tdb") + "'");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err, "");
    EXPECT_TRUE(contains(text.out, "  name:          \"Harbour Notes\"\n"));
    EXPECT_TRUE(contains(text.out, "  created:       1000000000 (2001-09-09 01:46:40 UTC)\n"));
    EXPECT_TRUE(contains(text.out, "  author:    \"M. Dunlin\"\n"));
    EXPECT_TRUE(contains(text.out, "Text: 7 records, "));

    CommandResult json = runCli(dir, "--inspect --json '" + dir.file("notes.tdb") + "'");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 2), "{\n");
    EXPECT_TRUE(contains(json.out,
                         "\"header\": {\"name\": \"Harbour Notes\", \"type\": \"QbLk\", \"creator\": "
                         "\"VxTm\", \"created\": 1000000000, \"modified\": 1000000001"));
    EXPECT_TRUE(contains(json.out, "\"metadata\": {\"title\": \"Harbour Notes\", \"author\": \"M. Dunlin\""));
}

TEST(InspectCommandTest, AFileThatIsNotABookIsAnErrorNotACrash) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.tml"), "TITLE=\"x\"\nJust text.\n");
    CommandResult result = runCli(dir, "--inspect '" + dir.file("story.tml") + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "quillery-cli: " + dir.file("story.tml") +
                              ": not a well-formed book: the file is 21 bytes long, shorter than the 78-byte "
                              "database header\n");

    for (const std::string& path : {dir.file("missing.tdb"), dir.path()}) {
        result = runCli(dir, "--inspect '" + path + "'");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "quillery-cli: " + path + ": cannot be opened (not a readable regular file)\n");
    }
}

TEST(InspectCommandTest, TheSampleBookBuildsAndInspects) {
    test::ScratchDir dir;
    std::filesystem::copy(QUILLERY_SAMPLES_DIR, dir.path(), std::filesystem::copy_options::recursive);
    ASSERT_EQ(runCli(dir, "'" + dir.file("lighthouse.tml") + "'").status, 0);
    CommandResult result = runCli(dir, "--inspect '" + dir.file("lighthouse.tdb") + "'");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "  title:     \"The Lamp on Gull Point\"\n"));
}

// Book strings reach a terminal: control bytes never pass through raw, text bytes show as UTF-8.
TEST(InspectCommandTest, BookStringsAreEscapedForTheTerminalAndForJson) {
    BookContents book;
    book.name = "Caf\xE9";
    book.type = "QbLk";
    book.creator = "VxTm";
    book.chapters = {{0, "Bell\x07 \x9B\x81 \"q\" \\"}};
    std::string text = cli::formatInspectText(book, 0);
    EXPECT_TRUE(contains(text, "  name:          \"Caf\xC3\xA9\"\n"));
    EXPECT_TRUE(contains(text, "           0  \"Bell\\x07 \xE2\x80\xBA\\x81 \\\"q\\\" \\\\\"\n"));
    std::string json = cli::formatInspectJson(book, 0);
    EXPECT_TRUE(contains(json,
                         "\"chapters\": [{\"position\": 0, \"title\": \"Bell\\u0007 \xE2\x80\xBA\xC2\x81 "
                         "\\\"q\\\" \\\\\"}]"));
}

} // namespace
} // namespace quillery
