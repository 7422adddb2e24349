#include "app/message_box.h"

#include <QMessageBox>

namespace quillery {
namespace {

std::optional<MessageBoxAnswer> nextAnswer;
std::optional<MessageBoxText> lastBox;

std::optional<MessageBoxAnswer> takeNextAnswer() {
    std::optional<MessageBoxAnswer> answer = nextAnswer;
    nextAnswer.reset();
    return answer;
}

} // namespace

void MessageBox::showError(const QString& caption, const QString& text) {
    lastBox = MessageBoxText{caption, text};
    if (takeNextAnswer()) {
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

MessageBoxAnswer MessageBox::askOkCancel(const QString& caption, const QString& text) {
    lastBox = MessageBoxText{caption, text};
    if (std::optional<MessageBoxAnswer> answer = takeNextAnswer()) {
        return *answer;
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? MessageBoxAnswer::Ok : MessageBoxAnswer::Cancel;
}

void MessageBox::setNextAnswer(MessageBoxAnswer answer) {
    nextAnswer = answer;
}

const std::optional<MessageBoxText>& MessageBox::last() {
    return lastBox;
}

void MessageBox::forget() {
    lastBox.reset();
    nextAnswer.reset();
}

} // namespace quillery
