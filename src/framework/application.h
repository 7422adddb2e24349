// Application: the framework's application object on Qt's event loop.
//
// It carries the numbered messages (messages.h) between message targets. A message sent to a target goes down
// the target's handler chain (a window, then the application) until one handler reports it handled; send
// returns whether one did. A posted message is queued and delivered later through the same chain, after every
// message posted before it; its data belongs to the queue and is destroyed right after delivery. A target
// that is destroyed drops the messages still queued for it.
//
// The application's own handlers (the shell's) see every message that reaches the application before the
// framework's defaults: MsgRefresh updates every visible command control and menu command, MsgQuitRequest
// closes every window and ends the event loop when none is left. A handler that reports one of those two
// handled replaces the default, so handlers that only watch them return false.
//
// It also opens the preferences store under the application name and loads the string list, and gives the
// layout unit metric(n). Its name becomes the toolkit's application display name, the caption of message
// boxes that have none. There is at most one Application at a time; QApplication must exist first.
#pragma once

#include "framework/local_string_manager.h"
#include "framework/messages.h"
#include "framework/preferences_store.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class QAction;

namespace quillery {

class Dialog;

class MessageTarget {
  public:
    MessageTarget() = default;
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;
    virtual ~MessageTarget();

    // True when the message was handled; later handlers of the chain do not see it then.
    virtual bool handleMessage(MessageNumber number, MessageData* data) = 0;
    // The next handler of the chain: a window's is the application.
    virtual MessageTarget* nextTarget() const { return nullptr; }
};

// Hands the message to `target` and down its chain; true when a handler handled it.
bool sendMessage(MessageTarget* target, MessageNumber number, MessageData* data = nullptr);

class Application : public QObject, public MessageTarget {
    Q_OBJECT
  public:
    Application(QString name, QString version, uint32_t signature);
    // With a preferences store of the caller's (tests use one in memory).
    Application(QString name, QString version, uint32_t signature,
                std::unique_ptr<PreferencesStore> preferences);
    ~Application() override;

    static Application* instance();

    const QString& name() const { return name_; }
    const QString& version() const { return version_; }
    uint32_t signature() const { return signature_; }
    PreferencesStore& preferences() { return *preferences_; }
    LocalStringManager& strings() { return *strings_; }

    // The application's handlers, asked in the order they were added.
    void addHandler(MessageTarget* handler);
    void removeHandler(MessageTarget* handler);

    // A target of null means the application itself.
    bool send(MessageTarget* target, MessageNumber number, MessageData* data = nullptr);
    void post(MessageTarget* target, MessageNumber number, std::unique_ptr<MessageData> data = nullptr);
    size_t pendingMessages() const { return queue_.size(); }

    // Menu commands: triggering the action executes `command` in the active window (or the application) and
    // every refresh enables and checks the action through MsgUpdate.
    void addCommandAction(QAction* action, uint16_t command);
    // Runs `command` through MsgExecute from the active window (or the application); true when handled.
    bool executeCommand(uint16_t command);
    // Updates every visible command control and every menu command.
    void refresh();

    // Dialogs that are open (created and not yet finished).
    int openDialogCount() const { return static_cast<int>(openDialogs_.size()); }

    // Tells the user, as a warning in the log, that settings could not be saved; once per run, however
    // often it happens.
    void reportPreferencesNotSaved();

    // n x the average character width of the default control font / 2, in pixels.
    static int metric(int n);

    bool handleMessage(MessageNumber number, MessageData* data) override;

  protected:
    bool event(QEvent* event) override;

  private:
    friend class MessageTarget;
    friend class Dialog;
    struct Posted {
        MessageTarget* target;
        MessageNumber number;
        std::unique_ptr<MessageData> data;
    };

    void forgetTarget(MessageTarget* target);
    MessageTarget* activeTarget();
    void requestQuit(int exitCode);

    QString name_;
    QString version_;
    uint32_t signature_;
    std::unique_ptr<PreferencesStore> preferences_;
    std::unique_ptr<LocalStringManager> strings_;
    std::vector<MessageTarget*> handlers_;
    std::deque<Posted> queue_;
    std::vector<std::pair<QPointer<QAction>, uint16_t>> commandActions_;
    std::vector<Dialog*> openDialogs_;
    bool preferencesFailureReported_ = false;
};

} // namespace quillery
