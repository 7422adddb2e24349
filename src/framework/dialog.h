// Dialog: a modeless framework dialog that tells a listener when it is done.
//
// finish(code) hides the dialog and posts the completion message to the listener with a DialogResult (the
// code and the dialog). The dialog lives until that message has been delivered: destroying the DialogResult
// destroys the dialog, so the listener can still read the dialog's fields while it handles the message.
// Enter executes the command of the focused button, or the default command (kCommandOk) when no button has
// the focus; Escape or the close box execute the cancel command (kCommandCancel); each only when the dialog
// has an enabled control of that number. The listener must outlive the dialog.
#pragma once

#include "framework/window.h"

namespace quillery {

class Dialog;

struct DialogResult : MessageData {
    DialogResult(int resultCode, Dialog* finished) : code(resultCode), dialog(finished) {}
    ~DialogResult() override;
    DialogResult(const DialogResult&) = delete;
    DialogResult& operator=(const DialogResult&) = delete;

    int code;
    Dialog* dialog;
};

class Dialog : public Window {
    Q_OBJECT
  public:
    Dialog(MessageTarget* listener, MessageNumber completion, QWidget* parent = nullptr);
    ~Dialog() override;

    // Hides the dialog and posts the completion message; only the first call counts.
    void finish(int resultCode);
    bool isFinished() const { return finished_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool executeIfEnabled(uint16_t command);
    void leaveOpenDialogs();

    MessageTarget* listener_;
    MessageNumber completion_;
    bool finished_ = false;
};

} // namespace quillery
