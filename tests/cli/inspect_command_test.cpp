#include "cli/inspect_command.h"
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace quillery {
namespace {

// quillery-cli with the creation date fixed, so that its books are reproducible.
test::CliRun runCliAt(const std::string& arguments) {
    return test::runCli(arguments, "SOURCE_DATE_EPOCH=1000000000");
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

    ASSERT_EQ(runCliAt("'" + dir.file("notes.tml") + "'").status, 0);
    ASSERT_EQ(runCliAt("-o '" + dir.file("again.tdb") + "' '" + dir.file("notes.tml") + "'").status, 0);
    std::string book = test::readFile(dir.file("notes.tdb"));
    ASSERT_FALSE(book.empty());
    EXPECT_EQ(book, test::readFile(dir.file("again.tdb")));

    test::CliRun text = runCliAt("--inspect '" + dir.file("notes.tdb") + "'");
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.err, "");
    EXPECT_TRUE(contains(text.out, "  name:          \"Harbour Notes\"\n"));
    EXPECT_TRUE(contains(text.out, "  created:       1000000000 (2001-09-09 01:46:40 UTC)\n"));
    EXPECT_TRUE(contains(text.out, "  author:    \"M. Dunlin\"\n"));
    EXPECT_TRUE(contains(text.out, "Text: 7 records, "));

    test::CliRun json = runCliAt("--inspect --json '" + dir.file("notes.tdb") + "'");
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out.substr(0, 2), "{\n");
    EXPECT_TRUE(contains(json.out,
                         "\"header\": {\"name\": \"Harbour Notes\", \"type\": \"QbLk\", \"creator\": "
                         "\"VxTm\", \"created\": 1000000000, \"modified\": 1000000001"));
    EXPECT_TRUE(contains(json.out, "\"metadata\": {\"title\": \"Harbour Notes\", \"author\": \"M. Dunlin\""));
}

// A linked table of contents and a dictionary, from the source to the records the reader sees.
TEST(InspectCommandTest, ChaptersLinksAndIndexItemsReachTheBook) {
    test::ScratchDir dir;
    test::writeFile(dir.file("parts.tml"), "TITLE=\"Parts\"\n"
                                           "\\C0=\"Contents\"\\q=\"#One\"Part One\\q\n"
                                           "\\q=\"#Two\"Part Two\\q\n"
                                           "\\q=\"#Nowhere\"Lost\\q\n"
                                           "\\xPart One\\x\\Q=\"one\"Text one.\n"
                                           "\\X1Part Two\\X1\\Q=\"TWO\"Text two.\\Q=\"Two\"\n");
    test::CliRun build = runCliAt("--diagnostics=json '" + dir.file("parts.tml") + "'");
    EXPECT_EQ(build.status, 0);
    const std::string file = "\"file\": \"" + dir.file("parts.tml") + "\"";
    EXPECT_TRUE(contains(build.out,
                         "{\"level\": \"warning\", \"text\": \"Link \\\"Two\\\" defined more than once\", " +
                             file + ", \"line\": 6, \"column\": 32}\n"));
    // Undefined links are reported after the last pass.
    EXPECT_TRUE(
        contains(build.out, "\"Generating page tables for the large font...\", " + file +
                                "}\n{\"level\": \"warning\", \"text\": \"Link \\\"nowhere\\\" has not been "
                                "defined\", " +
                                file + "}\n"));
    test::CliRun book = runCliAt("--inspect --json '" + dir.file("parts.tdb") + "'");
    EXPECT_EQ(book.status, 0) << book.err;
    EXPECT_TRUE(contains(book.out,
                         "\"chapters\": [{\"position\": 14, \"title\": \"Contents\"}, {\"position\": "
                         "88, \"title\": \"Part One\"}, {\"position\": 118, \"title\": \"    Part "
                         "Two\"}],\n"));
    EXPECT_TRUE(contains(book.out, "\"links\": [{\"position\": 4294967295, \"name\": \"nowhere\"}, "
                                   "{\"position\": 109, \"name\": \"one\"}, {\"position\": 141, \"name\": "
                                   "\"two\"}],\n"));
    EXPECT_TRUE(contains(book.out, "{\"page\": 1, \"record\": 1, \"offset\": 88, \"position\": 88"));

    test::writeFile(dir.file("words.tml"),
                    "TITLE=\"Words\"\n\\IZebra\\I a striped horse\n"
                    "\\Iapple\\I a fruit\n\\IApple\\I a company\n"
                    "\\Ico-op\\I a shop\n\\Icoop\\I a cage\n\\I\\a201clair\\I a cake\n");
    build = runCliAt("--dictionary --diagnostics=json '" + dir.file("words.tml") + "'");
    EXPECT_EQ(build.status, 0);
    EXPECT_TRUE(contains(build.out, "{\"level\": \"note\", \"text\": \"Processing index records...\""));
    book = runCliAt("--inspect --json '" + dir.file("words.tdb") + "'");
    EXPECT_EQ(book.status, 0) << book.err;
    EXPECT_TRUE(contains(book.out, "\"index\": {\"firstRecord\": 2, \"records\": 2}"));
    EXPECT_TRUE(
        contains(book.out,
                 "\"index\": [{\"name\": \"apple\", \"entries\": [{\"record\": 1, \"offset\": 40, \"text\": "
                 "\"apple\"}, {\"record\": 1, \"offset\": 58, \"text\": \"Apple\"}, {\"record\": 1, "
                 "\"offset\": 78, \"text\": \"co-op\"}, {\"record\": 1, \"offset\": 95, \"text\": \"coop\"}, "
                 "{\"record\": 1, \"offset\": 111, \"text\": \"\xC3\x89"
                 "clair\"}, {\"record\": 1, \"offset\": 14, \"text\": \"Zebra\"}]}],\n"));
    book = runCliAt("--inspect '" + dir.file("words.tdb") + "'");
    EXPECT_TRUE(contains(book.out, "Index groups: 1\n  \"apple\": 6 entries\n        1:40     \"apple\"\n"
                                   "        1:58     \"Apple\"\n"));
}

TEST(InspectCommandTest, AFileThatIsNotABookIsAnErrorNotACrash) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.tml"), "TITLE=\"x\"\nJust text.\n");
    test::CliRun result = runCliAt("--inspect '" + dir.file("story.tml") + "'");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "quillery-cli: " + dir.file("story.tml") +
                              ": not a well-formed book: the file is 21 bytes long, shorter than the 78-byte "
                              "database header\n");

    for (const std::string& path : {dir.file("missing.tdb"), dir.path()}) {
        result = runCliAt("--inspect '" + path + "'");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "quillery-cli: " + path + ": cannot be opened (not a readable regular file)\n");
    }
}

TEST(InspectCommandTest, TheSampleBookBuildsAndInspects) {
    test::ScratchDir dir;
    std::filesystem::copy(QUILLERY_SAMPLES_DIR, dir.path(), std::filesystem::copy_options::recursive);
    ASSERT_EQ(runCliAt("'" + dir.file("lighthouse.tml") + "'").status, 0);
    test::CliRun result = runCliAt("--inspect '" + dir.file("lighthouse.tdb") + "'");
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
