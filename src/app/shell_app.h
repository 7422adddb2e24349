// ShellApp: the application object of the desktop program, alive for the whole run.
//
// Building it initialises the framework under the name "Quillery", version "1.4.2" and signature "QyMv"
// (which opens the preferences store and loads the string list), installs the log manager's channel handlers
// and then its own error and warning handlers over them (each clears the auto-quit flag and passes the report
// on), builds the menu bar and registers itself as the application's message handler.
//
// It handles the shell's messages: MsgStartup opens the main window, MsgCommandLine queues the named files
// as one batch (or sends MsgInteractive, which clears the auto-quit flag), MsgOpenFile queues one job, and
// the build chain (MsgBatchStart to MsgBatchEnd, one step per message, see build_flow.cpp) turns the queued
// files into books. Its commands: New Window and Preferences open or raise the main window, Make Book...
// opens the file chooser, Preview Book... opens a chosen book in a Preview window and Preview Last Book the
// book the last successful build wrote, Quit asks the framework to quit; all but Quit only while no job is
// queued (Preview Last Book only once a build has written a book), Quit only while no framework dialog is
// open.
//
// The auto-quit flag starts set: a batch that ends with it still set (files named on the command line, no
// error or warning logged) ends the program with exit code 0.
//
// A batch that wrote a book ends with an offer to preview it: a "Preview Book" button in the main window
// and in the log window when there is one; the next batch withdraws both until it writes a book itself.
//
// Destroying it empties the job queue, closes the log window, releases the menu bar, then the string list
// and the preferences store.
#pragma once

#include "app/book_job.h"
#include "framework/application.h"
#include "framework/log_manager.h"

#include <QPointer>

#include <memory>
#include <string>
#include <vector>

namespace quillery {

class BookInfoDialog;
class MainWindow;
class MenuBar;
class PreviewWindow;
class ProgressDialog;

inline constexpr const char* kApplicationName = "Quillery";
inline constexpr const char* kApplicationVersion = "1.4.2";
// "QyMv", first character in the high byte.
inline constexpr uint32_t kApplicationSignature =
    (uint32_t('Q') << 24) | (uint32_t('y') << 16) | (uint32_t('M') << 8) | uint32_t('v');

class ShellApp : public MessageTarget {
  public:
    // With the preferences file of the application.
    ShellApp();
    // With a preferences store of the caller's (tests keep theirs in memory).
    explicit ShellApp(std::unique_ptr<PreferencesStore> preferences);
    ~ShellApp() override;

    Application& application() { return *application_; }
    LogManager& logManager() { return *logManager_; }
    const MenuBar& menuBar() const { return *menuBar_; }

    MainWindow* mainWindow() const;
    ProgressDialog* progressDialog() const;
    BookInfoDialog* bookInfoDialog() const;

    bool autoQuit() const { return autoQuit_; }
    bool overwriteOption() const { return overwrite_; }
    bool promptOption() const { return prompt_; }
    const BookJobQueue& jobs() const { return jobs_; }
    uint32_t jobCount() const { return jobCount_; }
    // The full path of the book the last successful build wrote; empty before one.
    const std::string& lastBook() const { return lastBook_; }

    // Opens the book at `path` in a new Preview window, or says in a message box why it cannot; the window,
    // or null.
    PreviewWindow* openPreview(const std::string& path);

    bool handleMessage(MessageNumber number, MessageData* data) override;

  private:
    void installChannelHandlers();
    bool executeCommand(uint16_t command);
    bool updateCommand(CommandRecord& record);
    void openMainWindow();
    void chooseSourceFile();
    void chooseBookToPreview();
    void queueCommandLine(const MessageData* data);
    void quit(int exitCode);

    // The build chain (build_flow.cpp).
    bool openFile(MessageData* data);
    void startBatch();
    void startJob();
    void askBookInfo();
    void bookInfoClosed(MessageData* data);
    void planOutput();
    void buildJob();
    void retireJob();
    void endBatch();

    std::unique_ptr<Application> application_;
    std::unique_ptr<LogManager> logManager_;
    std::unique_ptr<MenuBar> menuBar_;
    QPointer<MainWindow> mainWindow_;
    QPointer<ProgressDialog> progress_;
    QPointer<BookInfoDialog> bookInfo_;
    std::vector<QPointer<PreviewWindow>> previews_;
    std::string lastBook_;

    bool autoQuit_ = true;
    bool overwrite_ = false;
    bool prompt_ = false;
    bool batchRunning_ = false;
    bool batchWroteBook_ = false;
    bool quitting_ = false;
    BookJobQueue jobs_;
    uint32_t jobCount_ = 0;
};

} // namespace quillery
