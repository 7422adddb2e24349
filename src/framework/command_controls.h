// The command controls of the framework: a push button, a check box and a text field whose control number is
// their command. The button and the check box execute their command when clicked, the text field whenever
// its text changes; MsgUpdate decides whether they are enabled, and whether the check box is checked.
#pragma once

#include "framework/window.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace quillery {

class CommandButton : public QPushButton, public CommandControl {
    Q_OBJECT
  public:
    CommandButton(const QString& text, uint16_t command, QWidget* parent);
    uint16_t command() const override { return controlNumber(this); }
    void applyCommandState(const CommandRecord& record) override { setEnabled(record.enabled); }
};

class CommandCheckBox : public QCheckBox, public CommandControl {
    Q_OBJECT
  public:
    CommandCheckBox(const QString& text, uint16_t command, QWidget* parent);
    uint16_t command() const override { return controlNumber(this); }
    void applyCommandState(const CommandRecord& record) override;
};

class CommandTextField : public QLineEdit, public CommandControl {
    Q_OBJECT
  public:
    CommandTextField(uint16_t command, QWidget* parent);
    uint16_t command() const override { return controlNumber(this); }
    void applyCommandState(const CommandRecord& record) override { setEnabled(record.enabled); }
};

} // namespace quillery
