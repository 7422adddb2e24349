// A ShellApp with its preferences in memory, a scratch folder for sources and books, and a way to run the
// build chain until it waits (for a dialog) or is done, watching what the progress dialog shows.
#pragma once

#include "app/book_info_dialog.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/progress_dialog.h"
#include "app/shell_app.h"
#include "app/shell_messages.h"
#include "desktop_test_support.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace quillery::test {

// Sees the messages the shell leaves to the framework (the quit request among them).
class QuitWatcher : public MessageTarget {
  public:
    bool handleMessage(MessageNumber number, MessageData*) override {
        if (number == MsgQuitRequest) {
            ++quitRequests;
        }
        return false;
    }
    int quitRequests = 0;
};

// Calls back before every event of the object it watches.
class EventSpy : public QObject {
  public:
    explicit EventSpy(std::function<void()> callback) : callback_(std::move(callback)) {}
    bool eventFilter(QObject*, QEvent*) override {
        callback_();
        return false;
    }

  private:
    std::function<void()> callback_;
};

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MessageBox::forget();
        shell = std::make_unique<ShellApp>(
            std::make_unique<PreferencesStore>(std::make_unique<BorrowedPreferences>(preferences)));
        shell->application().addHandler(&quitWatcher);
        spy = std::make_unique<EventSpy>([this] { watch(); });
        shell->application().installEventFilter(spy.get());
    }
    void TearDown() override {
        processEvents();
        spy.reset();
        shell.reset();
        processEvents();
        MessageBox::forget();
    }

    Application& application() { return shell->application(); }

    // A source in the scratch folder; with a title unless `title` is empty.
    std::string source(const std::string& name, const std::string& title = "A Title",
                       const std::string& text = "Once upon a time.\n") {
        std::string header = title.empty() ? "" : "TITLE=\"" + title + "\"\n";
        writeFile(folder.file(name), header + text);
        return folder.file(name);
    }

    // Posts the files as one batch, as a drop does.
    void drop(const std::vector<std::string>& paths) {
        const auto count = static_cast<uint32_t>(paths.size());
        for (uint32_t i = 0; i < count; ++i) {
            application().post(nullptr, MsgOpenFile, std::make_unique<FileDropRecord>(paths[i], i, count));
        }
    }

    // Delivers messages until none is pending: the batch is done, or it waits for the Book Info dialog.
    void run() {
        for (int round = 0; round < 2000; ++round) {
            watch();
            if (application().pendingMessages() == 0) {
                break;
            }
            QCoreApplication::processEvents();
        }
        processEvents();
        watch();
    }

    // Answers the open Book Info dialog: the title typed (when given), then OK or Cancel clicked.
    void answerBookInfo(bool ok, const QString& title = QString()) {
        BookInfoDialog* dialog = shell->bookInfoDialog();
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->isVisible());
        if (!title.isNull()) {
            dialog->field(kTitleField)->setText(title);
        }
        auto* button = qobject_cast<QAbstractButton*>(dialog->control(ok ? kCommandOk : kCommandCancel));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled());
        button->click();
    }

    // Progress values shown, in order, and the progress dialogs opened.
    std::vector<int> progressValues;
    int progressDialogs = 0;
    std::vector<std::string> plannedOutputs;

    MemoryPreferencesBackend preferences;
    std::unique_ptr<ShellApp> shell;
    QuitWatcher quitWatcher;
    std::unique_ptr<EventSpy> spy;
    ScratchDir folder;

  private:
    void watch() {
        ProgressDialog* progress = shell->progressDialog();
        if (progress && progress != watched_) {
            watched_ = progress;
            ++progressDialogs;
            auto* bar = progress->findChild<QProgressBar*>();
            QObject::connect(bar, &QProgressBar::valueChanged,
                             [this](int value) { progressValues.push_back(value); });
        }
        const BookJob* head = shell->jobs().head();
        if (head && head->output &&
            (plannedOutputs.empty() || plannedOutputs.back() != head->output->path())) {
            plannedOutputs.push_back(head->output->path());
        }
    }
    QPointer<ProgressDialog> watched_;
};

} // namespace quillery::test
