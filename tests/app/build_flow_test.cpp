// The build chain driven through its messages, every dialog answered by the test: batches and their
// progress, the Book Info dialog, the output names and the overwrite rules, auto-quit.
#include "shell_fixture.h"

#include "app/file_chooser.h"
#include "app/menu_bar.h"
#include "framework/log_manager.h"

#include <QAbstractButton>
#include <QAction>

#include <filesystem>

namespace quillery {
namespace {

using test::fileExists;
using test::readFile;
using test::writeFile;

class BuildFlowTest : public test::ShellTest {
  protected:
    void interactive() { application().send(nullptr, MsgInteractive); }
    void setOptions(bool overwrite, bool prompt) {
        application().preferences().setBoolean("Overwrite", overwrite);
        application().preferences().setBoolean("Prompt", prompt);
    }
    // The log rows of errors and warnings (a build also logs its notes).
    int loggedProblems() {
        LogWindow* window = shell->logManager().window();
        int problems = 0;
        for (int row = 0; window && row < window->entryList()->count(); ++row) {
            problems += window->entryList()->entry(row).level > 0 ? 1 : 0;
        }
        return problems;
    }
    int logEntries() {
        LogWindow* window = shell->logManager().window();
        return window ? window->entryList()->count() : 0;
    }
    QString logText(int row) { return shell->logManager().window()->entryList()->entry(row).text; }
};

TEST_F(BuildFlowTest, ThreeDroppedFilesShareOneProgressDialogThatEndsAtHundred) {
    interactive();
    drop({source("a.tml"), source("b.tml"), source("c.txt")});
    run();
    EXPECT_EQ(progressDialogs, 1);
    EXPECT_EQ(progressValues, (std::vector<int>{33, 66, 100}));
    EXPECT_TRUE(fileExists(folder.file("a.tdb")));
    EXPECT_TRUE(fileExists(folder.file("b.tdb")));
    EXPECT_TRUE(fileExists(folder.file("c.tdb")));
    EXPECT_EQ(shell->progressDialog(), nullptr);
    EXPECT_TRUE(shell->jobs().empty());
    EXPECT_EQ(shell->bookInfoDialog(), nullptr); // every source named its title
    EXPECT_EQ(quitWatcher.quitRequests, 0);      // an interactive start never quits by itself
}

TEST_F(BuildFlowTest, CommandLineBatchBuildsEachFileOnceAndQuitsWhenClean) {
    CommandLineRecord commandLine;
    commandLine.files = {source("one.tml"), source("two.tml")};
    application().send(nullptr, MsgCommandLine, &commandLine);
    run();
    EXPECT_EQ(progressDialogs, 1);
    EXPECT_EQ(progressValues, (std::vector<int>{50, 100}));
    EXPECT_EQ(plannedOutputs, (std::vector<std::string>{folder.file("one.tdb"), folder.file("two.tdb")}));
    EXPECT_TRUE(shell->autoQuit());
    EXPECT_EQ(quitWatcher.quitRequests, 1);
}

TEST_F(BuildFlowTest, AWarningOrAnErrorKeepsACommandLineRunOpen) {
    CommandLineRecord warned;
    warned.files = {source("colon.tml", "Part One: The Sea")};
    application().send(nullptr, MsgCommandLine, &warned);
    run();
    EXPECT_TRUE(fileExists(folder.file("colon.tdb"))); // warnings only inform
    EXPECT_FALSE(shell->autoQuit());
    EXPECT_EQ(quitWatcher.quitRequests, 0);
    ASSERT_NE(shell->logManager().window(), nullptr);
    EXPECT_TRUE(shell->logManager().window()->isVisible());
}

TEST_F(BuildFlowTest, NotesAloneDoNotStopAutoQuit) {
    reportNote("Just a note.");
    EXPECT_TRUE(shell->autoQuit());
    reportError("An error.");
    EXPECT_FALSE(shell->autoQuit());
    // Both still reach the log window.
    EXPECT_EQ(logEntries(), 2);
}

TEST_F(BuildFlowTest, CommandLineWithoutFilesIsInteractive) {
    CommandLineRecord empty;
    application().send(nullptr, MsgCommandLine, &empty);
    run();
    EXPECT_FALSE(shell->autoQuit());
    EXPECT_TRUE(shell->jobs().empty());
}

TEST_F(BuildFlowTest, MissingCommandLineFileIsQueuedAndItsBuildReportsIt) {
    CommandLineRecord commandLine;
    commandLine.files = {folder.file("gone.tml")};
    application().send(nullptr, MsgCommandLine, &commandLine);
    run();
    // Nothing could be read, so the dialog asks for a title; then the driver names the file.
    answerBookInfo(true, QStringLiteral("Gone"));
    run();
    ASSERT_GE(logEntries(), 1);
    EXPECT_EQ(logText(0), QStringLiteral("The input file \"gone.tml\" could not be opened."));
    EXPECT_FALSE(fileExists(folder.file("gone.tdb")));
    EXPECT_EQ(quitWatcher.quitRequests, 0);
}

TEST_F(BuildFlowTest, BookInfoDialogAsksOnlyWhenTheSourceNamesNoTitle) {
    interactive();
    writeFile(folder.file("untitled.tml"), "AUTHOR=\"Ann Author\"\nPUBLISHER=\"Pub House\"\nText.\n");
    drop({folder.file("untitled.tml")});
    run();
    BookInfoDialog* dialog = shell->bookInfoDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->field(kAuthorField)->text(), QStringLiteral("Ann Author"));
    EXPECT_EQ(dialog->field(kPublisherField)->text(), QStringLiteral("Pub House"));
    EXPECT_FALSE(dialog->control(kCommandOk)->isEnabled());
    // Quit waits while a dialog is open.
    CommandRecord quit(CmdQuit);
    application().send(nullptr, MsgUpdate, &quit);
    EXPECT_FALSE(quit.enabled);
    EXPECT_EQ(application().pendingMessages(), 0u); // the chain waits for the dialog

    answerBookInfo(true, QStringLiteral("Given Title"));
    run();
    EXPECT_TRUE(fileExists(folder.file("untitled.tdb")));
    EXPECT_NE(readFile(folder.file("untitled.tdb")).find("Given Title"), std::string::npos);
    EXPECT_EQ(shell->bookInfoDialog(), nullptr);
}

TEST_F(BuildFlowTest, CancelOnTheSecondOfThreeSkipsItAndTheBarStillEndsAtHundred) {
    interactive();
    drop({source("one.tml"), source("two.tml", ""), source("three.tml")});
    run();
    answerBookInfo(false, QStringLiteral("Typed but cancelled"));
    run();
    EXPECT_TRUE(fileExists(folder.file("one.tdb")));
    EXPECT_FALSE(fileExists(folder.file("two.tdb")));
    EXPECT_TRUE(fileExists(folder.file("three.tdb")));
    EXPECT_EQ(progressValues, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(loggedProblems(), 0); // a skipped job is silent
}

TEST_F(BuildFlowTest, WithoutOverwriteTheFirstFreeNumberedNameIsUsed) {
    interactive();
    std::string story = source("story.tml");
    writeFile(folder.file("story.tdb"), "old");
    writeFile(folder.file("story.1.tdb"), "older");
    drop({story});
    run();
    EXPECT_EQ(plannedOutputs, (std::vector<std::string>{folder.file("story.2.tdb")}));
    EXPECT_TRUE(fileExists(folder.file("story.2.tdb")));
    EXPECT_EQ(readFile(folder.file("story.tdb")), "old");
    EXPECT_EQ(readFile(folder.file("story.1.tdb")), "older");
}

TEST_F(BuildFlowTest, OverwriteWithoutPromptReplacesWithoutAQuestion) {
    interactive();
    setOptions(true, false);
    std::string story = source("story.tml");
    writeFile(folder.file("story.tdb"), "old");
    drop({story});
    run();
    EXPECT_FALSE(MessageBox::last().has_value());
    EXPECT_NE(readFile(folder.file("story.tdb")), "old");
    EXPECT_FALSE(fileExists(folder.file("story.1.tdb")));
}

TEST_F(BuildFlowTest, OverwriteWithPromptAsksAndCancelKeepsTheOldBook) {
    interactive();
    setOptions(true, true);
    std::string story = source("story.tml");
    writeFile(folder.file("story.tdb"), "old");

    MessageBox::setNextAnswer(MessageBoxAnswer::Cancel);
    drop({story});
    run();
    ASSERT_TRUE(MessageBox::last().has_value());
    EXPECT_EQ(MessageBox::last()->caption, QString());
    EXPECT_EQ(MessageBox::last()->text,
              QStringLiteral("The file \"story.tdb\" exists. Do you want to overwrite it?"));
    EXPECT_EQ(readFile(folder.file("story.tdb")), "old");
    EXPECT_EQ(progressValues.back(), 100);

    MessageBox::setNextAnswer(MessageBoxAnswer::Ok);
    drop({story});
    run();
    EXPECT_NE(readFile(folder.file("story.tdb")), "old");
}

TEST_F(BuildFlowTest, OverwriteWithPromptWritesAMissingBookWithoutAQuestion) {
    interactive();
    setOptions(true, true);
    drop({source("story.tml")});
    run();
    EXPECT_FALSE(MessageBox::last().has_value());
    EXPECT_TRUE(fileExists(folder.file("story.tdb")));
}

TEST_F(BuildFlowTest, OptionsAreReadAtTheStartOfEachBatch) {
    interactive();
    std::string story = source("story.tml");
    drop({story});
    run();
    EXPECT_FALSE(shell->overwriteOption());
    setOptions(true, false);
    drop({story});
    run();
    EXPECT_TRUE(shell->overwriteOption());
    EXPECT_FALSE(fileExists(folder.file("story.1.tdb")));
}

TEST_F(BuildFlowTest, OutputNamesDropTheLastExtensionAndAreCutTo251Characters) {
    interactive();
    drop({source("my.book.tml")});
    run();
    EXPECT_TRUE(fileExists(folder.file("my.book.tdb")));

    // No file system keeps a 300-character name, so the source is missing: the name is still planned.
    std::string longName(296, 'n');
    drop({folder.file(longName + ".tml")});
    run();
    answerBookInfo(true, QStringLiteral("Long"));
    run();
    ASSERT_EQ(plannedOutputs.size(), 2u);
    EXPECT_EQ(FileService(plannedOutputs[1]).fileName(), std::string(251, 'n') + ".tdb");
}

TEST_F(BuildFlowTest, ABookGivenAsSourceIsSkippedWithAnError) {
    std::string book = folder.file("made.tdb");
    writeFile(book, "a book");
    CommandLineRecord commandLine;
    commandLine.files = {book};
    application().send(nullptr, MsgCommandLine, &commandLine);
    run();
    EXPECT_EQ(shell->bookInfoDialog(), nullptr);
    EXPECT_EQ(readFile(book), "a book");
    ASSERT_EQ(logEntries(), 1);
    EXPECT_EQ(logText(0),
              QStringLiteral("The file \"made.tdb\" is a book (.tdb), not a source. It was skipped."));
    EXPECT_EQ(quitWatcher.quitRequests, 0);
}

TEST_F(BuildFlowTest, FilesDroppedDuringABatchJoinIt) {
    interactive();
    drop({source("first.tml", "")});
    run(); // waits for the Book Info dialog
    drop({source("late.tml")});
    run();
    EXPECT_EQ(shell->jobs().size(), 2u);
    EXPECT_EQ(shell->jobCount(), 2u);
    answerBookInfo(true, QStringLiteral("First"));
    run();
    EXPECT_EQ(progressDialogs, 1);
    EXPECT_EQ(progressValues, (std::vector<int>{50, 100}));
    EXPECT_TRUE(fileExists(folder.file("first.tdb")));
    EXPECT_TRUE(fileExists(folder.file("late.tdb")));
}

TEST_F(BuildFlowTest, AFileDroppedAsTheLastJobRetiresIsStillBuilt) {
    interactive();
    std::string late = source("late.tml");
    bool dropped = false;
    // Once the first book is written, its retiring is the next step, and the batch end follows it: the drop
    // lands between them.
    test::EventSpy dropLate([&] {
        const BookJob* head = shell->jobs().head();
        if (!dropped && head && head->output && head->output->exists()) {
            dropped = true;
            drop({late});
        }
    });
    application().installEventFilter(&dropLate);
    drop({source("first.tml")});
    run();
    application().removeEventFilter(&dropLate);
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(fileExists(folder.file("first.tdb")));
    EXPECT_TRUE(fileExists(folder.file("late.tdb")));
    EXPECT_EQ(progressDialogs, 1);
    EXPECT_EQ(progressValues.back(), 100);
    EXPECT_TRUE(shell->jobs().empty());
}

TEST_F(BuildFlowTest, WindowCommandsWaitWhileJobsAreQueued) {
    interactive();
    auto enabled = [this](uint16_t command) {
        CommandRecord record(command);
        application().send(nullptr, MsgUpdate, &record);
        return record.enabled;
    };
    EXPECT_TRUE(enabled(CmdMakeBook));
    EXPECT_TRUE(enabled(CmdNewWindow));
    EXPECT_TRUE(enabled(CmdPreferences));
    EXPECT_TRUE(enabled(CmdQuit));
    drop({source("held.tml", "")});
    run();
    EXPECT_FALSE(enabled(CmdMakeBook));
    EXPECT_FALSE(enabled(CmdNewWindow));
    EXPECT_FALSE(enabled(CmdPreferences));
    answerBookInfo(false);
    run();
    EXPECT_TRUE(enabled(CmdMakeBook));
    EXPECT_TRUE(enabled(CmdQuit));
}

TEST_F(BuildFlowTest, MakeBookQueuesTheChosenFileAndCancelQueuesNothing) {
    interactive();
    FileChooser::setNextChoice(std::nullopt);
    CommandRecord makeBook(CmdMakeBook);
    application().send(nullptr, MsgExecute, &makeBook);
    run();
    EXPECT_EQ(progressDialogs, 0);

    FileChooser::setNextChoice(QString::fromStdString(source("chosen.tml")));
    application().send(nullptr, MsgExecute, &makeBook);
    run();
    EXPECT_EQ(progressDialogs, 1);
    EXPECT_TRUE(fileExists(folder.file("chosen.tdb")));
}

TEST_F(BuildFlowTest, ANewBatchEmptiesTheLogWindow) {
    interactive();
    reportWarning("Left over from before.");
    ASSERT_EQ(logEntries(), 1);
    drop({source("clean.tml")});
    run();
    ASSERT_GE(logEntries(), 1);
    EXPECT_EQ(loggedProblems(), 0);
    EXPECT_NE(logText(0), QStringLiteral("Left over from before."));
}

TEST_F(BuildFlowTest, QuitWaitsWhileTheProgressDialogIsOpen) {
    application().send(nullptr, MsgStartup);
    interactive();
    QPointer<QWidget> quitButton = shell->mainWindow()->control(CmdQuit);
    QAction* quitItem = shell->menuBar().action(CmdQuit);
    ASSERT_FALSE(quitButton.isNull());
    ASSERT_NE(quitItem, nullptr);
    // What Quit looks like at every step while the progress dialog is on screen; the first time, a click that
    // was already queued arrives.
    std::vector<std::pair<bool, bool>> seen;
    test::EventSpy duringBatch([&] {
        ProgressDialog* progress = shell->progressDialog();
        if (progress && progress->isVisible() && quitButton) {
            if (seen.empty()) {
                CommandRecord quit(CmdQuit);
                application().send(nullptr, MsgExecute, &quit);
            }
            seen.emplace_back(quitButton->isEnabled(), quitItem->isEnabled());
        }
    });
    application().installEventFilter(&duringBatch);
    drop({source("a.tml"), source("b.tml"), source("c.tml")});
    run();
    application().removeEventFilter(&duringBatch);
    ASSERT_FALSE(seen.empty());
    for (const auto& [button, item] : seen) {
        EXPECT_FALSE(button);
        EXPECT_FALSE(item);
    }
    EXPECT_EQ(quitWatcher.quitRequests, 0);
    EXPECT_TRUE(fileExists(folder.file("a.tdb")));
    EXPECT_TRUE(fileExists(folder.file("b.tdb")));
    EXPECT_TRUE(fileExists(folder.file("c.tdb")));
    ASSERT_FALSE(quitButton.isNull());
    EXPECT_TRUE(quitButton->isEnabled());
    EXPECT_TRUE(quitItem->isEnabled());
}

TEST_F(BuildFlowTest, ClosingTheMainWindowWaitsForTheBookInfoDialogAndTheBatch) {
    application().send(nullptr, MsgStartup);
    interactive();
    QPointer<MainWindow> window = shell->mainWindow();
    drop({source("untitled.tml", ""), source("next.tml")});
    run();
    ASSERT_NE(shell->bookInfoDialog(), nullptr);
    window->close();
    run();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(quitWatcher.quitRequests, 0);
    ASSERT_NE(shell->bookInfoDialog(), nullptr);
    EXPECT_TRUE(shell->bookInfoDialog()->isVisible());
    EXPECT_EQ(shell->jobs().size(), 2u);

    // Between two builds, with only the progress dialog open, the close box waits as well.
    bool closed = false;
    test::EventSpy closeBetweenBuilds([&] {
        if (!closed && shell->progressDialog() && shell->bookInfoDialog() == nullptr && window) {
            closed = true;
            window->close();
        }
    });
    application().installEventFilter(&closeBetweenBuilds);
    answerBookInfo(true, QStringLiteral("Named"));
    run();
    application().removeEventFilter(&closeBetweenBuilds);
    ASSERT_TRUE(closed);
    EXPECT_TRUE(fileExists(folder.file("untitled.tdb")));
    EXPECT_TRUE(fileExists(folder.file("next.tdb")));
    EXPECT_EQ(quitWatcher.quitRequests, 0);
    ASSERT_FALSE(window.isNull());

    // With the batch done, the close box ends the program.
    window->close();
    test::processEvents();
    EXPECT_EQ(quitWatcher.quitRequests, 1);
}

TEST_F(BuildFlowTest, TheBookInfoCaptionNamesTheSourceItAsksAbout) {
    interactive();
    drop({source("first.tml", ""), source("second.txt", "")});
    run();
    ASSERT_NE(shell->bookInfoDialog(), nullptr);
    EXPECT_EQ(shell->bookInfoDialog()->windowTitle(), QStringLiteral("Book Info - first.tml"));
    answerBookInfo(false);
    run();
    ASSERT_NE(shell->bookInfoDialog(), nullptr);
    EXPECT_EQ(shell->bookInfoDialog()->windowTitle(), QStringLiteral("Book Info - second.txt"));
    answerBookInfo(false);
    run();
}

TEST_F(BuildFlowTest, TheBuildFollowsTheBoxesAndAFailedSaveIsLoggedOnce) {
    application().send(nullptr, MsgStartup);
    interactive();
    MainWindow* window = shell->mainWindow();
    preferences.failSave = true; // a read-only preferences folder
    auto* overwrite = qobject_cast<QAbstractButton*>(window->control(kOverwriteControl));
    auto* prompt = qobject_cast<QAbstractButton*>(window->control(kPromptControl));
    overwrite->click();
    prompt->click();
    prompt->click();
    EXPECT_TRUE(overwrite->isChecked());
    EXPECT_FALSE(prompt->isChecked());
    ASSERT_EQ(logEntries(), 1);
    EXPECT_EQ(shell->logManager().window()->entryList()->entry(0).level, 1);
    EXPECT_EQ(logText(0), QStringLiteral("The preferences could not be saved; the options you set apply "
                                         "until the program ends."));

    std::string story = source("story.tml");
    writeFile(folder.file("story.tdb"), "old");
    drop({story});
    run();
    EXPECT_TRUE(shell->overwriteOption());
    EXPECT_NE(readFile(folder.file("story.tdb")), "old");
    EXPECT_FALSE(fileExists(folder.file("story.1.tdb")));
}

TEST_F(BuildFlowTest, LogRowsNameTheFileAndPlaceOfAReport) {
    interactive();
    drop({source("bad.tml", "T", "Hello\nthere \\z tag\n")});
    run();
    LogEntryList* list = shell->logManager().window()->entryList();
    std::vector<QString> places;
    for (int row = 0; row < list->count(); ++row) {
        if (list->entry(row).level > 0) {
            places.push_back(list->placeText(row) + " " + list->shownText(row));
        }
    }
    EXPECT_EQ(places,
              (std::vector<QString>{
                  QString::fromUtf8("bad.tml:3:7 Illegal control code starting at \"\\z tag\u21B5\""),
                  QStringLiteral(" Errors occurred while paginating the book. No output file generated.")}));
    // Reports after the build belong to no source.
    errorHandler()(Report{ReportLevel::Error, "Later.", SourcePlace{1, 1}});
    EXPECT_EQ(list->entry(list->count() - 1).file, QString());
}

TEST_F(BuildFlowTest, UnusableSourcePathsAreRefusedBeforeAnyFileIsTouched) {
    std::filesystem::create_directory(folder.file("folder.tml"));
    std::filesystem::create_directory(folder.file("work"));
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.file("work"));
    CommandLineRecord commandLine;
    commandLine.files = {"", folder.file("folder.tml") + "/", folder.file("folder.tml"),
                         folder.file("one.tml") + std::string(1, '\0') + ".txt"};
    application().send(nullptr, MsgCommandLine, &commandLine);
    run();
    std::filesystem::current_path(previous);
    EXPECT_EQ(shell->bookInfoDialog(), nullptr); // no title is asked for a file that cannot be built
    ASSERT_EQ(logEntries(), 4);
    EXPECT_EQ(logText(0), QStringLiteral("The input file \"\" could not be opened."));
    EXPECT_EQ(logText(1), QStringLiteral("The input file \"folder.tml\" could not be opened."));
    EXPECT_EQ(logText(2), QStringLiteral("The input file \"folder.tml\" could not be opened."));
    EXPECT_EQ(logText(3), QStringLiteral("The input file \"one.tml\\0.txt\" could not be opened."));
    EXPECT_EQ(loggedProblems(), 4);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"folder.tml", "work"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("work")));
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("folder.tml")));
    EXPECT_EQ(progressValues.back(), 100);
}

TEST_F(BuildFlowTest, MarkdownSourcesTakeTheirTitleFromFrontMatterAndReportMarkdownPlaces) {
    interactive();
    writeFile(folder.file("story.md"),
              "---\ntitle: From Front Matter\n---\n# One\n\nCaf\xC3\xA9 [x](#none)\n");
    writeFile(folder.file("untitled.md"), "# Untitled\n");
    drop({folder.file("story.md"), folder.file("untitled.md")});
    run();
    // The Markdown file without a title asks for one, as any source does.
    ASSERT_NE(shell->bookInfoDialog(), nullptr);
    answerBookInfo(true, QStringLiteral("Given"));
    run();
    EXPECT_NE(readFile(folder.file("story.tdb")).find("From Front Matter"), std::string::npos);
    EXPECT_TRUE(fileExists(folder.file("untitled.tdb")));
    LogWindow* window = shell->logManager().window();
    ASSERT_NE(window, nullptr);
    bool sawLinkWarning = false;
    bool sawMappingWarning = false;
    for (int row = 0; row < window->entryList()->count(); ++row) {
        const LogEntry& entry = window->entryList()->entry(row);
        if (entry.text.startsWith(QStringLiteral("No heading has the anchor"))) {
            sawLinkWarning = entry.file == QStringLiteral("story.md") && entry.line == 6 && entry.column == 7;
        }
        if (entry.text.startsWith(QStringLiteral("Non-ASCII characters"))) {
            sawMappingWarning =
                entry.file == QStringLiteral("story.md") && entry.line == 6 && entry.column == 1;
        }
    }
    EXPECT_TRUE(sawLinkWarning);
    EXPECT_TRUE(sawMappingWarning);
}

} // namespace
} // namespace quillery
