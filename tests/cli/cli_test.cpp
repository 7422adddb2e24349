#include "cli/cli_options.h"
#include "cli/diagnostic_printer.h"
#include "cli_runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillery {
namespace {

using test::CliRun;
using test::runCli;

TEST(CliOptionsTest, ParsesValuesFlagsAndSources) {
    std::string error;
    auto options = cli::parseCliOptions(
        {"--title", "T", "--author=A", "-v", "--dictionary", "a.tml", "--", "-b.tml"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ("T", *options->title);
    EXPECT_EQ("A", *options->author);
    EXPECT_TRUE(options->verbose);
    EXPECT_TRUE(options->dictionary);
    EXPECT_EQ((std::vector<std::string>{"a.tml", "-b.tml"}), options->sources);
}

TEST(CliOptionsTest, RejectsUsageErrors) {
    std::string error;
    EXPECT_FALSE(cli::parseCliOptions({"--frobnicate", "a.tml"}, error));
    EXPECT_EQ("unknown option '--frobnicate'", error);
    EXPECT_FALSE(cli::parseCliOptions({}, error));
    EXPECT_FALSE(cli::parseCliOptions({"-o", "x.tdb", "a.tml", "b.tml"}, error));
    EXPECT_FALSE(cli::parseCliOptions({"a.tml", "--title"}, error));
    EXPECT_TRUE(cli::parseCliOptions({"--help"}, error));
}

TEST(DiagnosticPrinterTest, HumanLinesNameThePlaceAndEndInOneLineFeed) {
    Report placed{ReportLevel::Error, "Illegal control code starting at \"\\y\"", SourcePlace{3, 7}};
    EXPECT_EQ("book.tml:3:7: error: Illegal control code starting at \"\\y\"\n",
              cli::formatHumanLine("book.tml", placed));
    Report unplaced{ReportLevel::Error, "An error occurred reading the file /x.\n", std::nullopt};
    EXPECT_EQ("book.tml: error: An error occurred reading the file /x.\n",
              cli::formatHumanLine("book.tml", unplaced));
    Report warning{ReportLevel::Warning, "Caf\xE9", std::nullopt};
    EXPECT_EQ("b.tml: warning: Caf\xC3\xA9\n", cli::formatHumanLine("b.tml", warning));
}

// Paths are the system's bytes and are printed as they are; only book text is decoded from Windows-1252.
TEST(DiagnosticPrinterTest, PathsInMessagesAreNotDecodedTwice) {
    std::string text = "Writing book <Caf\xE9> from file <na\xC3\xAFve.tml>...";
    Report note{ReportLevel::Note, text, std::nullopt, {TextSpan{33, 10}}};
    EXPECT_EQ("Writing book <Caf\xC3\xA9> from file <na\xC3\xAFve.tml>...", cli::reportTextUtf8(note));
    EXPECT_EQ(
        "{\"level\": \"note\", \"text\": \"Writing book <Caf\xC3\xA9> from file <na\xC3\xAFve.tml>...\", "
        "\"file\": \"na\xC3\xAFve.tml\"}\n",
        cli::formatJsonLine("na\xC3\xAFve.tml", note));

    test::ScratchDir dir;
    std::string gone = dir.file("na\xC3\xAFve.tml");
    CliRun run = runCli("'" + gone + "'");
    EXPECT_EQ(gone + ": error: The input file \"na\xC3\xAFve.tml\" could not be opened.\n", run.err);
    run = runCli("--diagnostics=json '" + gone + "'");
    EXPECT_NE(std::string::npos, run.out.find("\"text\": \"The input file \\\"na\xC3\xAFve.tml\\\" could"));
}

TEST(DiagnosticPrinterTest, JsonLinesKeepTheTextExactly) {
    Report report{ReportLevel::Warning, "Say \"\x93hi\x94\"\\\n", SourcePlace{1, 2}};
    EXPECT_EQ("{\"level\": \"warning\", \"text\": \"Say \\\"\xE2\x80\x9Chi\xE2\x80\x9D\\\"\\\\\\n\", "
              "\"file\": \"a.tml\", \"line\": 1, \"column\": 2}\n",
              cli::formatJsonLine("a.tml", report));
    Report note{ReportLevel::Note, "Done.", std::nullopt};
    EXPECT_EQ("{\"level\": \"note\", \"text\": \"Done.\", \"file\": \"a.tml\"}\n",
              cli::formatJsonLine("a.tml", note));
}

TEST(CliTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(2, runCli("").status);
    EXPECT_EQ(2, runCli("--nonsense x.tml").status);
    test::ScratchDir dir;
    EXPECT_EQ(2, runCli("-o x.tdb " + dir.file("a.tml") + " " + dir.file("b.tml")).status);
    CliRun bad = runCli(dir.file("a.tml"), "SOURCE_DATE_EPOCH=12x");
    EXPECT_EQ(2, bad.status);
    EXPECT_NE(std::string::npos, bad.err.find("SOURCE_DATE_EPOCH"));
    EXPECT_EQ(0, runCli("--help").status);
}

TEST(CliTest, BuildsBesideTheSourceWithHeaderFieldsAndOptions) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.tml"), "TITLE=\"Story\"\nText.\n");
    test::writeFile(dir.file("untitled.txt"), "No title here.\n");
    CliRun run = runCli(dir.file("story.tml") + " " + dir.file("untitled.txt"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(dir.file("untitled.txt") +
                  ": error: The book has no title: add TITLE=\"...\" to the source or pass --title.\n",
              run.err);
    EXPECT_TRUE(test::fileExists(dir.file("story.tdb")));
    EXPECT_FALSE(test::fileExists(dir.file("untitled.tdb")));

    run = runCli("--title 'Given' --keep-existing " + dir.file("untitled.txt") + " " + dir.file("story.tml"));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(test::fileExists(dir.file("untitled.tdb")));
    EXPECT_TRUE(test::fileExists(dir.file("story.1.tdb")));

    run = runCli("-o " + dir.file("named.tdb") + " " + dir.file("story.tml"));
    EXPECT_EQ(0, run.status);
    EXPECT_TRUE(test::fileExists(dir.file("named.tdb")));
}

TEST(CliTest, JsonDiagnosticsIncludeNotesAndMissingFiles) {
    test::ScratchDir dir;
    CliRun run = runCli("--title T --diagnostics=json " + dir.file("gone.tml"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("{\"level\": \"error\", \"text\": \"The input file \\\"gone.tml\\\" could not be opened.\", "
              "\"file\": \"" +
                  dir.file("gone.tml") + "\"}\n",
              run.out);
    EXPECT_EQ("", run.err);

    test::writeFile(dir.file("ok.tml"), "Fine.");
    run = runCli("--title T --diagnostics=json " + dir.file("ok.tml"));
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("\"level\": \"note\", \"text\": \"Done.\""));
}

// Whatever the options, a source that cannot be opened is reported as such, not as a book without a title.
TEST(CliTest, ASourceThatCannotBeOpenedIsReportedAsSuch) {
    test::ScratchDir dir;
    ASSERT_EQ(0, ::mkdir(dir.file("folder.tml").c_str(), 0777));
    for (const char* name : {"gone.tml", "folder.tml"}) {
        for (const char* options : {"", "--title T ", "--check "}) {
            CliRun run = runCli(options + dir.file(name));
            EXPECT_EQ(1, run.status);
            EXPECT_EQ(dir.file(name) + ": error: The input file \"" + name + "\" could not be opened.\n",
                      run.err)
                << options;
        }
    }
    EXPECT_EQ((std::vector<std::string>{"folder.tml"}), dir.entries());
}

// Two sources of one run that would make the same book: the second is refused and the first book kept.
TEST(CliTest, ASecondSourceNeverReplacesABookOfTheSameRun) {
    test::ScratchDir dir;
    test::writeFile(dir.file("a.tml"), "TITLE=\"From tml\"\nText.\n");
    test::writeFile(dir.file("a.txt"), "TITLE=\"From txt\"\nText.\n");
    CliRun run = runCli(dir.file("a.tml") + " " + dir.file("a.txt"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(dir.file("a.txt") + ": error: The book \"" + dir.file("a.tdb") +
                  "\" was already written from \"" + dir.file("a.tml") +
                  "\" in this run; this source was not built.\n",
              run.err);
    EXPECT_NE(std::string::npos, test::readFile(dir.file("a.tdb")).find("From tml"));

    // Through a link to the folder it is still the same book; a failed first build leaves the name free.
    ASSERT_EQ(0, ::symlink(dir.path().c_str(), dir.file("again").c_str()));
    run = runCli(dir.file("a.tml") + " " + dir.file("again/a.txt"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("was already written from"));
    test::writeFile(dir.file("b.tml"), "TITLE=\"B\"\n\\y\n");
    test::writeFile(dir.file("b.txt"), "TITLE=\"B\"\nFine.\n");
    run = runCli(dir.file("b.tml") + " " + dir.file("b.txt"));
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string::npos, run.err.find("was already written from"));
    EXPECT_TRUE(test::fileExists(dir.file("b.tdb")));
    EXPECT_EQ(0, runCli("--keep-existing " + dir.file("a.tml") + " " + dir.file("a.txt")).status);
}

// Like the GNU tools: output that did not reach standard output fails the run, with a word on stderr.
TEST(CliTest, AFailedWriteOnStandardOutputIsAnError) {
    test::ScratchDir dir;
    test::writeFile(dir.file("ok.tml"), "TITLE=\"T\" Fine.");
    ASSERT_EQ(0, runCli(dir.file("ok.tml")).status);
    auto toFull = [&](const std::string& arguments) {
        std::string command = QUILLERY_CLI_PATH " " + arguments + " >/dev/full 2>" + dir.file("err");
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    const std::string expected = "quillery-cli: write error on standard output: No space left on device\n";
    for (const std::string& arguments :
         {"--inspect --json " + dir.file("ok.tdb"), "--inspect --pages " + dir.file("ok.tdb"),
          "--diagnostics=json " + dir.file("ok.tml"), std::string("--help")}) {
        EXPECT_EQ(1, toFull(arguments)) << arguments;
        EXPECT_EQ(expected, test::readFile(dir.file("err"))) << arguments;
    }
    // Nothing to print, and no standard output at all: nothing is lost.
    std::string closed = QUILLERY_CLI_PATH " " + dir.file("ok.tml") + " >&- 2>" + dir.file("err");
    int raw = std::system(closed.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
    EXPECT_EQ("", test::readFile(dir.file("err")));
    // Lines meant for a closed standard output never land in a file the build opened.
    closed = QUILLERY_CLI_PATH " --diagnostics=json " + dir.file("ok.tml") + " >&- 2>" + dir.file("err");
    raw = std::system(closed.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1);
    EXPECT_EQ("quillery-cli: write error on standard output: Bad file descriptor\n",
              test::readFile(dir.file("err")));
    EXPECT_EQ(0, runCli("--inspect " + dir.file("ok.tdb")).status);
}

TEST(CliTest, VerbosePrintsNotesAndQuietDoesNot) {
    test::ScratchDir dir;
    test::writeFile(dir.file("ok.tml"), "TITLE=\"T\" Fine.");
    EXPECT_EQ("", runCli(dir.file("ok.tml")).err);
    EXPECT_NE(std::string::npos, runCli("-v " + dir.file("ok.tml")).err.find(": note: Done.\n"));
}

} // namespace
} // namespace quillery

namespace quillery {
namespace {

TEST(CliCheckTest, CheckReportsLikeABuildAndLeavesTheFolderUnchanged) {
    test::ScratchDir dir;
    test::writeFile(dir.file("story.tml"), "TITLE=\"A: B\"\nPrice \x80 5.\n");
    test::writeFile(dir.file("story.tdb"), "old book");
    test::writeFile(dir.file("story.tml.tmp"), "stale");
    std::vector<std::string> before = dir.entries();

    test::CliRun check = test::runCli("--check --diagnostics=json " + dir.file("story.tml"));
    EXPECT_EQ(0, check.status) << check.err;
    EXPECT_EQ(before, dir.entries());
    EXPECT_EQ("old book", test::readFile(dir.file("story.tdb")));
    EXPECT_EQ("stale", test::readFile(dir.file("story.tml.tmp")));

    test::CliRun build = test::runCli("--diagnostics=json " + dir.file("story.tml"));
    EXPECT_EQ(build.out, check.out);
    EXPECT_NE(std::string::npos, check.out.find("Translating colons to hyphens."));
    EXPECT_NE(std::string::npos, check.out.find("\"line\": 2, \"column\": 7"));
    EXPECT_EQ(2, test::runCli("--check -o x.tdb " + dir.file("story.tml")).status);
}

TEST(CliCheckTest, WerrorFailsOnWarningsAndKeepsNoBook) {
    test::ScratchDir dir;
    test::writeFile(dir.file("warn.tml"), "TITLE=\"W\"\nPrice \x80 5.\n");
    test::writeFile(dir.file("clean.tml"), "TITLE=\"C\"\nPrice 5.\n");
    test::CliRun run = test::runCli("--werror " + dir.file("warn.tml") + " " + dir.file("clean.tml"));
    EXPECT_EQ(1, run.status);
    EXPECT_FALSE(test::fileExists(dir.file("warn.tdb")));
    EXPECT_EQ(dir.file("warn.tml") + ":2:7: warning: Non-ASCII characters in file; attempting to map them\n" +
                  dir.file("warn.tml") + ":2:7: warning: The Euro symbol may not be on all Tarn OS devices\n",
              run.err);
    EXPECT_EQ(0, test::runCli("--werror --check " + dir.file("clean.tml")).status);
    EXPECT_EQ(1, test::runCli("--werror --check " + dir.file("warn.tml")).status);
}

} // namespace
} // namespace quillery
