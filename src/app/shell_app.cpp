#include "app/shell_app.h"

#include "app/book_info_dialog.h"
#include "app/file_chooser.h"
#include "app/main_window.h"
#include "app/menu_bar.h"
#include "app/message_box.h"
#include "app/preview_window.h"
#include "app/progress_dialog.h"
#include "app/shell_messages.h"
#include "framework/diagnostics.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>

namespace quillery {

ShellApp::ShellApp() : ShellApp(PreferencesStore::openForApplication(kApplicationName)) {}

ShellApp::ShellApp(std::unique_ptr<PreferencesStore> preferences) {
    application_ = std::make_unique<Application>(QString::fromLatin1(kApplicationName),
                                                 QString::fromLatin1(kApplicationVersion),
                                                 kApplicationSignature, std::move(preferences));
    logManager_ = std::make_unique<LogManager>(application_->name(), &application_->preferences());
    installChannelHandlers();
    menuBar_ = std::make_unique<MenuBar>(*application_);
    application_->addHandler(this);
    application_->send(nullptr, MsgRefresh);
}

ShellApp::~ShellApp() {
    application_->removeHandler(this);
    jobs_.clear();
    logManager_->close();
    // Windows go before the menu bar whose items they show.
    // A finished dialog belongs to its completion message, which the application's queue still holds.
    for (Dialog* dialog : {static_cast<Dialog*>(bookInfo_.data()), static_cast<Dialog*>(progress_.data())}) {
        if (dialog && !dialog->isFinished()) {
            delete dialog;
        }
    }
    for (const QPointer<PreviewWindow>& preview : previews_) {
        delete preview.data();
    }
    if (mainWindow_) {
        mainWindow_->disconnect(application_.get());
        delete mainWindow_.data();
    }
    menuBar_.reset();
    logManager_.reset();  // gives the channels back to standard output
    application_.reset(); // the string list, then the preferences store
}

MainWindow* ShellApp::mainWindow() const {
    return mainWindow_;
}

ProgressDialog* ShellApp::progressDialog() const {
    return progress_;
}

BookInfoDialog* ShellApp::bookInfoDialog() const {
    return bookInfo_;
}

void ShellApp::installChannelHandlers() {
    logManager_->installChannelHandlers();
    // Errors and warnings keep a command-line run open to show them; notes do not.
    ReportHandler logError = errorHandler();
    ReportHandler logWarning = warningHandler();
    setErrorHandler([this, logError](const Report& report) {
        autoQuit_ = false;
        return logError(report);
    });
    setWarningHandler([this, logWarning](const Report& report) {
        autoQuit_ = false;
        return logWarning(report);
    });
}

void ShellApp::openMainWindow() {
    if (mainWindow_) {
        // Already open: it only comes to the front, where it is.
        mainWindow_->show();
        mainWindow_->raise();
        mainWindow_->activateWindow();
        return;
    }
    mainWindow_ = new MainWindow(menuBar_.get());
    // Closing the main window ends the program, the batch included: a progress dialog still on screen must
    // not keep the loop alive.
    QObject::connect(mainWindow_.data(), &QObject::destroyed, application_.get(), [this] {
        if (!quitting_) {
            quit(0);
        }
        QCoreApplication::exit(0);
    });
    mainWindow_->present();
}

void ShellApp::chooseSourceFile() {
    std::optional<QString> chosen = FileChooser::chooseSource(application_->strings());
    if (!chosen) {
        return;
    }
    FileDropRecord record(QFile::encodeName(*chosen).toStdString(), 0, 1);
    application_->send(nullptr, MsgOpenFile, &record);
}

void ShellApp::chooseBookToPreview() {
    if (std::optional<QString> chosen = FileChooser::chooseBook(application_->strings())) {
        openPreview(FileService(QFile::encodeName(*chosen).toStdString()).fullPath());
    }
}

PreviewWindow* ShellApp::openPreview(const std::string& path) {
    std::string error;
    std::unique_ptr<PreviewBook> book = PreviewBook::open(path, error);
    if (!book) {
        MessageBox::showError(application_->name(), QString::fromStdString(error));
        return nullptr;
    }
    auto* window = new PreviewWindow(std::move(book), path, menuBar_.get());
    std::erase_if(previews_, [](const QPointer<PreviewWindow>& preview) { return preview.isNull(); });
    previews_.emplace_back(window);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void ShellApp::queueCommandLine(const MessageData* data) {
    const auto* commandLine = dynamic_cast<const CommandLineRecord*>(data);
    const size_t count = commandLine ? commandLine->files.size() : 0;
    if (count == 0) {
        application_->post(nullptr, MsgInteractive);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        application_->post(nullptr, MsgOpenFile,
                           std::make_unique<FileDropRecord>(commandLine->files[i], static_cast<uint32_t>(i),
                                                            static_cast<uint32_t>(count)));
    }
}

void ShellApp::quit(int exitCode) {
    quitting_ = true;
    QuitRecord record;
    record.exitCode = exitCode;
    application_->send(nullptr, MsgQuitRequest, &record);
}

bool ShellApp::executeCommand(uint16_t command) {
    auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    switch (command) {
    case CmdFileMenu:
    case CmdEditMenu:
        return true;
    case CmdNewWindow:
    case CmdPreferences:
        openMainWindow();
        return true;
    case CmdMakeBook:
        chooseSourceFile();
        return true;
    case CmdPreviewBook:
        chooseBookToPreview();
        return true;
    case CmdPreviewLastBook:
        // An offer clicked while a batch runs waits for it, as the menu item does.
        if (jobs_.empty() && !lastBook_.empty()) {
            openPreview(lastBook_);
        }
        return true;
    case CmdQuit:
        // A click queued before the button was disabled must not end a batch halfway.
        if (application_->openDialogCount() == 0) {
            quit(0);
        }
        return true;
    case CmdClose:
        if (QWidget* window = QApplication::activeWindow()) {
            window->close();
        }
        return true;
    case CmdUndo:
    case CmdCut:
    case CmdCopy:
    case CmdPaste:
    case CmdDelete:
        // The focused text field does the editing; without one there is nothing to do.
        if (focused) {
            if (command == CmdUndo) {
                focused->undo();
            } else if (command == CmdCut) {
                focused->cut();
            } else if (command == CmdCopy) {
                focused->copy();
            } else if (command == CmdPaste) {
                focused->paste();
            } else {
                focused->del();
            }
        }
        return true;
    default:
        return false;
    }
}

bool ShellApp::updateCommand(CommandRecord& record) {
    switch (record.command) {
    case CmdFileMenu:
    case CmdEditMenu:
    case CmdClose:
    case CmdUndo:
    case CmdCut:
    case CmdCopy:
    case CmdPaste:
    case CmdDelete:
        record.enabled = true;
        return true;
    case CmdNewWindow:
    case CmdMakeBook:
    case CmdPreferences:
    case CmdPreviewBook:
        record.enabled = jobs_.empty();
        return true;
    case CmdPreviewLastBook:
        record.enabled = jobs_.empty() && !lastBook_.empty();
        return true;
    case CmdQuit:
        record.enabled = application_->openDialogCount() == 0;
        return true;
    default:
        return false;
    }
}

bool ShellApp::handleMessage(MessageNumber number, MessageData* data) {
    switch (number) {
    case MsgExecute:
        if (auto* record = dynamic_cast<CommandRecord*>(data)) {
            return executeCommand(record->command);
        }
        return false;
    case MsgUpdate:
        if (auto* record = dynamic_cast<CommandRecord*>(data)) {
            return updateCommand(*record);
        }
        return false;
    case MsgStartup: {
        CommandRecord record(CmdPreferences);
        application_->send(nullptr, MsgExecute, &record);
        return true;
    }
    case MsgInteractive:
        autoQuit_ = false;
        return true;
    case MsgCommandLine:
        queueCommandLine(data);
        return true;
    case MsgOpenFile:
        return openFile(data);
    case MsgBatchStart:
        startBatch();
        return true;
    case MsgJobStart:
        startJob();
        return true;
    case MsgJobAskInfo:
        askBookInfo();
        return true;
    case MsgBookInfoClosed:
        bookInfoClosed(data);
        return true;
    case MsgJobPlanOutput:
        planOutput();
        return true;
    case MsgJobBuild:
        buildJob();
        return true;
    case MsgJobDone:
        retireJob();
        return true;
    case MsgBatchEnd:
        endBatch();
        return true;
    default:
        return false;
    }
}

} // namespace quillery
