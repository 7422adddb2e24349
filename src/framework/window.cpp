#include "framework/window.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QVariant>

namespace quillery {
namespace {

constexpr const char* kControlNumberProperty = "quilleryControlNumber";

} // namespace

void setControlNumber(QWidget* control, uint16_t number) {
    control->setProperty(kControlNumberProperty, QVariant::fromValue(static_cast<uint>(number)));
}

uint16_t controlNumber(const QWidget* control) {
    return static_cast<uint16_t>(control->property(kControlNumberProperty).toUInt());
}

Window::Window(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
}

bool Window::handleMessage(MessageNumber, MessageData*) {
    return false;
}

bool Window::executeCommand(uint16_t command) {
    CommandRecord record(command);
    return sendMessage(this, MsgExecute, &record);
}

void Window::refreshCommands() {
    for (QWidget* child : findChildren<QWidget*>()) {
        auto* control = dynamic_cast<CommandControl*>(child);
        if (!control || !child->isVisibleTo(this)) {
            continue;
        }
        CommandRecord record(control->command());
        sendMessage(this, MsgUpdate, &record);
        control->applyCommandState(record);
    }
}

QWidget* Window::control(uint16_t number) const {
    for (QWidget* child : findChildren<QWidget*>()) {
        if (controlNumber(child) == number) {
            return child;
        }
    }
    return nullptr;
}

Window* Window::of(QWidget* widget) {
    return widget ? dynamic_cast<Window*>(widget->window()) : nullptr;
}

void Window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        refreshCommands();
    }
}

void Window::closeEvent(QCloseEvent* event) {
    if (!mayClose()) {
        event->ignore();
        return;
    }
    sendMessage(this, MsgCloseWindow);
    event->accept();
}

} // namespace quillery
