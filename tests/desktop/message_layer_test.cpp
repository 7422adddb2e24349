#include "desktop_test_support.h"
#include "framework/command_controls.h"
#include "framework/dialog.h"
#include "framework/window.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillery {
namespace {

// A handler that records what it sees and handles the numbers it is told to.
class Recorder : public MessageTarget {
  public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    bool handleMessage(MessageNumber number, MessageData* data) override {
        log_.push_back(name_ + ":" + std::to_string(number));
        if (onMessage) {
            onMessage(number, data);
        }
        return handled.count(number) > 0;
    }
    std::set<MessageNumber> handled;
    std::function<void(MessageNumber, MessageData*)> onMessage;

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

class TestWindow : public Window {
  public:
    bool handleMessage(MessageNumber number, MessageData* data) override {
        auto* record = dynamic_cast<CommandRecord*>(data);
        if (number == MsgExecute && record) {
            executed.push_back(record->command);
            return handles.count(record->command) > 0;
        }
        if (number == MsgUpdate && record && states.count(record->command)) {
            record->enabled = states[record->command].first;
            record->checked = states[record->command].second;
            return true;
        }
        if (number == MsgCloseWindow) {
            ++closeMessages;
        }
        return false;
    }
    std::vector<uint16_t> executed;
    std::set<uint16_t> handles;
    std::map<uint16_t, std::pair<bool, bool>> states;
    int closeMessages = 0;
};

// Counts its own destruction.
struct Tracked : MessageData {
    explicit Tracked(int& destroyed) : count(destroyed) {}
    ~Tracked() override { ++count; }
    int& count;
};

class MessageLayerTest : public ::testing::Test {
  protected:
    void TearDown() override {
        test::processEvents();
        application.reset();
    }
    std::unique_ptr<Application> application = test::makeApplication();
    std::vector<std::string> log;
};

TEST_F(MessageLayerTest, ASentMessageGoesDownTheChainUntilHandled) {
    Recorder shell("shell", log);
    Recorder second("second", log);
    application->addHandler(&shell);
    application->addHandler(&second);
    second.handled = {40};
    EXPECT_TRUE(application->send(nullptr, 40));
    EXPECT_FALSE(application->send(nullptr, 41));
    EXPECT_EQ((std::vector<std::string>{"shell:40", "second:40", "shell:41", "second:41"}), log);

    // A window comes first, then the application's handlers.
    auto* window = new TestWindow;
    CommandRecord record(5);
    window->handles = {5};
    EXPECT_TRUE(application->send(window, MsgExecute, &record));
    EXPECT_EQ(4u, log.size());
    EXPECT_TRUE(window->executeCommand(9) == false);
    EXPECT_EQ("shell:6", log[4]);
    delete window;
}

TEST_F(MessageLayerTest, PostedMessagesArriveInOrderAfterTheCurrentHandlerAndTheirDataIsDestroyed) {
    Recorder shell("shell", log);
    application->addHandler(&shell);
    int destroyed = 0;
    shell.onMessage = [&](MessageNumber number, MessageData* data) {
        if (number == 35) {
            // Posted from inside a handler: delivered only after this one returns.
            application->post(nullptr, 37);
            log.push_back("end of 35");
        }
        if (number == 36) {
            EXPECT_NE(nullptr, dynamic_cast<Tracked*>(data));
            EXPECT_EQ(0, destroyed);
        }
    };
    application->post(nullptr, 35);
    application->post(nullptr, 36, std::make_unique<Tracked>(destroyed));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(2u, application->pendingMessages());
    test::processEvents();
    EXPECT_EQ((std::vector<std::string>{"shell:35", "end of 35", "shell:36", "shell:37"}), log);
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(0u, application->pendingMessages());
}

TEST_F(MessageLayerTest, MessagesForATargetThatIsGoneAreDroppedWithTheirData) {
    int destroyed = 0;
    auto* window = new TestWindow;
    application->post(window, MsgExecute, std::make_unique<Tracked>(destroyed));
    {
        Recorder shortLived("short", log);
        application->addHandler(&shortLived);
        application->post(&shortLived, 40);
    }
    delete window;
    test::processEvents();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(1, destroyed);
    EXPECT_FALSE(application->send(nullptr, 40)); // the handler left the chain too
}

TEST_F(MessageLayerTest, RefreshAsksEveryVisibleCommandAndDisablesCommandsNobodyAnswers) {
    auto* window = new TestWindow;
    auto* quit = new CommandButton("Quit", 22, window);
    auto* overwrite = new CommandCheckBox("Overwrite existing file", 37, window);
    auto* prompt = new CommandCheckBox("Prompt before overwriting", 38, window);
    auto* title = new CommandTextField(47, window);
    auto* hidden = new CommandButton("Hidden", 50, window);
    quit->move(0, 0);
    overwrite->move(0, 30);
    prompt->move(0, 60);
    title->move(0, 90);
    hidden->hide();
    window->states = {{37, {true, true}}, {38, {false, true}}, {47, {true, false}}, {50, {false, false}}};
    window->show();
    application->send(nullptr, MsgRefresh);
    EXPECT_FALSE(quit->isEnabled());
    EXPECT_TRUE(overwrite->isEnabled());
    EXPECT_TRUE(overwrite->isChecked());
    EXPECT_FALSE(prompt->isEnabled());
    EXPECT_TRUE(prompt->isChecked());
    EXPECT_TRUE(title->isEnabled());
    EXPECT_TRUE(hidden->isEnabled()); // not visible: not asked, so not disabled

    // The application's handler answers what the window does not.
    Recorder shell("shell", log);
    shell.handled = {MsgUpdate};
    shell.onMessage = [](MessageNumber number, MessageData* data) {
        if (auto* record = dynamic_cast<CommandRecord*>(data); record && number == MsgUpdate) {
            record->enabled = record->command == 22;
        }
    };
    application->addHandler(&shell);
    application->refresh();
    EXPECT_TRUE(quit->isEnabled());
    delete window;
}

TEST_F(MessageLayerTest, ControlsExecuteTheirCommandsFromTheirWindow) {
    auto* window = new TestWindow;
    auto* make = new CommandButton("Make Book...", 10, window);
    auto* overwrite = new CommandCheckBox("Overwrite existing file", 37, window);
    auto* title = new CommandTextField(47, window);
    overwrite->move(0, 40);
    title->move(0, 80);
    window->show();
    window->states = {{10, {true, false}}, {37, {true, false}}, {47, {true, false}}};
    window->refreshCommands();
    QTest::mouseClick(make, Qt::LeftButton);
    QTest::mouseClick(overwrite, Qt::LeftButton);
    QTest::keyClicks(title, "ab");
    EXPECT_EQ((std::vector<uint16_t>{10, 37, 47, 47}), window->executed);
    EXPECT_EQ(make, window->control(10));
    EXPECT_EQ(nullptr, window->control(99));

    // A disabled control does nothing.
    window->states.erase(10);
    window->refreshCommands();
    QTest::mouseClick(make, Qt::LeftButton);
    EXPECT_EQ(4u, window->executed.size());
    delete window;
}

TEST_F(MessageLayerTest, MenuCommandsAreExecutedAndEnabledThroughTheApplication) {
    Recorder shell("shell", log);
    bool queueEmpty = true;
    shell.handled = {MsgUpdate, MsgExecute};
    shell.onMessage = [&](MessageNumber number, MessageData* data) {
        if (auto* record = dynamic_cast<CommandRecord*>(data); record && number == MsgUpdate) {
            record->enabled = queueEmpty;
        }
    };
    application->addHandler(&shell);
    QAction makeBook("Open...");
    makeBook.setShortcut(QKeySequence("Ctrl+O"));
    application->addCommandAction(&makeBook, 10);
    application->refresh();
    EXPECT_TRUE(makeBook.isEnabled());
    log.clear();
    makeBook.trigger();
    EXPECT_EQ("shell:6", log.front());
    queueEmpty = false;
    application->send(nullptr, MsgRefresh);
    EXPECT_FALSE(makeBook.isEnabled());
}

class TestDialog : public Dialog {
  public:
    using Dialog::Dialog;
    bool handleMessage(MessageNumber number, MessageData* data) override {
        auto* record = dynamic_cast<CommandRecord*>(data);
        if (number == MsgUpdate && record) {
            record->enabled = record->command == kCommandCancel || okEnabled;
            return true;
        }
        if (number == MsgExecute && record &&
            (record->command == kCommandOk || record->command == kCommandCancel)) {
            finish(record->command);
            return true;
        }
        return false;
    }
    bool okEnabled = false;
};

TEST_F(MessageLayerTest, AModelessDialogPostsItsCompletionAndIsDestroyedAfterDelivery) {
    Recorder shell("shell", log);
    int resultCode = 0;
    QPointer<Dialog> seen;
    shell.onMessage = [&](MessageNumber number, MessageData* data) {
        if (number == 42) {
            auto* result = dynamic_cast<DialogResult*>(data);
            ASSERT_NE(nullptr, result);
            resultCode = result->code;
            seen = result->dialog;
            EXPECT_FALSE(result->dialog->isVisible()); // still there to be read, but hidden
        }
    };
    shell.handled = {42};
    application->addHandler(&shell);
    auto* dialog = new TestDialog(&shell, 42);
    new CommandButton("OK", kCommandOk, dialog);
    auto* cancel = new CommandButton("Cancel", kCommandCancel, dialog);
    cancel->move(80, 0);
    QPointer<Dialog> watch = dialog;
    dialog->show(); // showing asks for the state of its buttons
    EXPECT_FALSE(dialog->control(kCommandOk)->isEnabled());
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_EQ(1, application->openDialogCount());

    // Enter does nothing while OK is disabled; Escape is Cancel.
    QTest::keyClick(dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog->isFinished());
    QTest::keyClick(dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isFinished());
    EXPECT_EQ(0, application->openDialogCount());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(0, resultCode); // posted, not yet delivered
    test::processEvents();
    EXPECT_EQ(2, resultCode);
    EXPECT_EQ(seen.data(), nullptr);
    EXPECT_TRUE(watch.isNull());
}

TEST_F(MessageLayerTest, TheCloseBoxOfADialogIsItsCancelButton) {
    Recorder shell("shell", log);
    int resultCode = 0;
    shell.onMessage = [&](MessageNumber number, MessageData* data) {
        if (auto* result = dynamic_cast<DialogResult*>(data); result && number == 42) {
            resultCode = result->code;
        }
    };
    application->addHandler(&shell);
    auto* dialog = new TestDialog(&shell, 42);
    dialog->okEnabled = true;
    new CommandButton("OK", kCommandOk, dialog);
    new CommandButton("Cancel", kCommandCancel, dialog);
    dialog->show();
    application->refresh();
    QTest::keyClick(dialog, Qt::Key_Enter);
    EXPECT_TRUE(dialog->isFinished());
    test::processEvents();
    EXPECT_EQ(1, resultCode);

    auto* second = new TestDialog(&shell, 42);
    new CommandButton("Cancel", kCommandCancel, second);
    second->show();
    application->refresh();
    second->close();
    test::processEvents();
    EXPECT_EQ(2, resultCode);
}

TEST_F(MessageLayerTest, AQuitRequestClosesEveryWindowWithCloseMessages) {
    auto* first = new TestWindow;
    auto* second = new TestWindow;
    QPointer<TestWindow> firstWatch = first;
    QPointer<TestWindow> secondWatch = second;
    first->show();
    second->show();
    int closeMessages = 0;
    Recorder shell("shell", log);
    application->addHandler(&shell);
    QObject::connect(first, &QObject::destroyed, [&] { ++closeMessages; });
    QObject::connect(second, &QObject::destroyed, [&] { ++closeMessages; });

    QuitRecord refused;
    refused.mayQuit = false;
    application->send(nullptr, MsgQuitRequest, &refused);
    EXPECT_TRUE(first->isVisible());

    QuitRecord quit;
    application->send(nullptr, MsgQuitRequest, &quit);
    EXPECT_EQ(1, first->closeMessages);
    EXPECT_EQ(1, second->closeMessages);
    test::processEvents();
    EXPECT_TRUE(firstWatch.isNull());
    EXPECT_TRUE(secondWatch.isNull());
    EXPECT_EQ(2, closeMessages);
}

TEST_F(MessageLayerTest, AQuitRequestEndsTheEventLoopWithItsExitCode) {
    auto* window = new TestWindow;
    window->show();
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    auto quit = std::make_unique<QuitRecord>();
    quit->exitCode = 3;
    application->post(nullptr, MsgQuitRequest, std::move(quit));
    // The application's own loop, as the program runs it: a loop of the test's own would return at once
    // when an earlier test's quit request has already asked the application to exit.
    EXPECT_EQ(3, QCoreApplication::exec());
}

TEST_F(MessageLayerTest, TheApplicationNameIsTheDisplayName) {
    // Message boxes without a caption show it.
    EXPECT_EQ(QString("Quillery"), QGuiApplication::applicationDisplayName());
}

TEST_F(MessageLayerTest, MetricIsHalfAverageCharacterWidthsOfTheDefaultFont) {
    int average = QFontMetrics(QApplication::font()).averageCharWidth();
    EXPECT_EQ(5 * average / 2, Application::metric(5));
    EXPECT_EQ(3 * average / 2, Application::metric(3));
    EXPECT_EQ(0, Application::metric(0));
}

TEST_F(MessageLayerTest, TheApplicationOpensItsStringsAndWritesTheLanguageBack) {
    MemoryPreferencesBackend values;
    application.reset();
    application = test::makeApplication(values);
    EXPECT_EQ(QString("Quillery"), application->name());
    ASSERT_NE(nullptr, application->strings().get(0));
    EXPECT_EQ(u"OK", application->strings().get(0)->text());
    application->strings().setLanguage(3);
    values.values.clear();
    application.reset();
    EXPECT_EQ(1u, values.values.count("LocalStringManager.PreferredLanguage"));
}

} // namespace
} // namespace quillery
