#include "framework/command_controls.h"

namespace quillery {
namespace {

void execute(QWidget* control) {
    if (Window* window = Window::of(control)) {
        window->executeCommand(controlNumber(control));
    }
}

} // namespace

CommandButton::CommandButton(const QString& text, uint16_t command, QWidget* parent)
    : QPushButton(text, parent) {
    setControlNumber(this, command);
    connect(this, &QPushButton::clicked, this, [this] { execute(this); });
}

CommandCheckBox::CommandCheckBox(const QString& text, uint16_t command, QWidget* parent)
    : QCheckBox(text, parent) {
    setControlNumber(this, command);
    connect(this, &QCheckBox::clicked, this, [this] { execute(this); });
}

void CommandCheckBox::applyCommandState(const CommandRecord& record) {
    setEnabled(record.enabled);
    setChecked(record.checked);
}

CommandTextField::CommandTextField(uint16_t command, QWidget* parent) : QLineEdit(parent) {
    setControlNumber(this, command);
    connect(this, &QLineEdit::textChanged, this, [this] { execute(this); });
}

} // namespace quillery
