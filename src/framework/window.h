// Window: a top-level window of the framework, a message target whose chain goes on to the application.
//
// Its controls carry numbers (per window); the numbers of command controls double as command numbers. A
// command control executes its command through MsgExecute from its window, and on every refresh asks
// MsgUpdate whether it is enabled (and checked); a command nobody answers for is disabled.
//
// A window asks for the state of its commands whenever it is shown, so it never shows a stale state.
// Closing a window (by its close box, by close() or by a quit request) sends it MsgCloseWindow first; the
// window is destroyed afterwards. A window may refuse to close (mayClose).
#pragma once

#include "framework/application.h"

#include <QWidget>

namespace quillery {

// Every control may carry a number; the number of a command control is its command.
void setControlNumber(QWidget* control, uint16_t number);
// The control's number, or 0 when it has none.
uint16_t controlNumber(const QWidget* control);

class CommandControl {
  public:
    virtual ~CommandControl() = default;
    virtual uint16_t command() const = 0;
    // Takes the state MsgUpdate gave: enabled, and checked for the controls that can be.
    virtual void applyCommandState(const CommandRecord& record) = 0;
};

class Window : public QWidget, public MessageTarget {
    Q_OBJECT
  public:
    explicit Window(QWidget* parent = nullptr);

    bool handleMessage(MessageNumber number, MessageData* data) override;
    MessageTarget* nextTarget() const override { return Application::instance(); }

    // MsgExecute for `command`, from this window down the chain; true when handled.
    bool executeCommand(uint16_t command);
    // MsgUpdate for every visible command control of the window.
    void refreshCommands();
    // The control numbered `number`, or null.
    QWidget* control(uint16_t number) const;

    // The window that holds `widget`, or null.
    static Window* of(QWidget* widget);

  protected:
    // Asked before the window closes; a window that says no stays open and gets no MsgCloseWindow.
    virtual bool mayClose() { return true; }
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

} // namespace quillery
