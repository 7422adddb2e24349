#include "framework/dialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>

#include <algorithm>

namespace quillery {

DialogResult::~DialogResult() {
    delete dialog;
}

Dialog::Dialog(MessageTarget* listener, MessageNumber completion, QWidget* parent)
    : Window(parent), listener_(listener), completion_(completion) {
    setWindowFlags(Qt::Dialog);
    // The completion message owns the dialog; closing only hides it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (Application* application = Application::instance()) {
        application->openDialogs_.push_back(this);
    }
}

Dialog::~Dialog() {
    leaveOpenDialogs();
}

void Dialog::leaveOpenDialogs() {
    if (Application* application = Application::instance()) {
        auto& open = application->openDialogs_;
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
    }
}

void Dialog::finish(int resultCode) {
    if (finished_) {
        return;
    }
    finished_ = true;
    hide();
    leaveOpenDialogs();
    Application* application = Application::instance();
    if (!application) {
        deleteLater();
        return;
    }
    // Without a listener the message reaches nobody and its data, with the dialog, is destroyed after all.
    application->post(listener_ ? listener_ : application, completion_,
                      std::make_unique<DialogResult>(resultCode, this));
}

bool Dialog::executeIfEnabled(uint16_t command) {
    QWidget* button = control(command);
    if (!button || !button->isEnabled()) {
        return false;
    }
    executeCommand(command);
    return true;
}

void Dialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A focused button is the one the user means; elsewhere Return is the default button.
        if (auto* focused = dynamic_cast<CommandControl*>(focusWidget());
            focused && qobject_cast<QAbstractButton*>(focusWidget())) {
            executeIfEnabled(focused->command());
            return;
        }
        executeIfEnabled(kCommandOk);
        return;
    case Qt::Key_Escape:
        executeIfEnabled(kCommandCancel);
        return;
    default:
        Window::keyPressEvent(event);
    }
}

void Dialog::closeEvent(QCloseEvent* event) {
    // The close box is the cancel button; the dialog goes away through finish() only.
    event->ignore();
    if (!finished_) {
        executeIfEnabled(kCommandCancel);
    }
}

} // namespace quillery
