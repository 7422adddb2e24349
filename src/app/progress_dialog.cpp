#include "app/progress_dialog.h"

#include "app/shell_messages.h"

#include <QVBoxLayout>

namespace quillery {

ProgressDialog::ProgressDialog(MessageTarget* listener, const QString& title, const QString& text)
    : Dialog(listener, MsgProgressClosed) {
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(title);
    auto* column = new QVBoxLayout(this);
    int margin = Application::metric(5);
    column->setContentsMargins(margin, margin, margin, margin);
    column->setSpacing(margin);
    text_ = new QLabel(text, this);
    setControlNumber(text_, kProgressTextControl);
    bar_ = new QProgressBar(this);
    setControlNumber(bar_, kProgressBarControl);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    // Room for "Building <a long name>.tdb..." without the window jumping at each book.
    bar_->setMinimumWidth(Application::metric(60));
    column->addWidget(text_);
    column->addWidget(bar_);
}

void ProgressDialog::setText(const QString& text) {
    text_->setText(text);
    text_->repaint();
}

void ProgressDialog::setProgress(int percent) {
    bar_->setValue(percent);
    bar_->repaint();
}

bool ProgressDialog::handleMessage(MessageNumber number, MessageData* data) {
    auto* record = dynamic_cast<CommandRecord*>(data);
    if (number == MsgUpdate && record &&
        (record->command == kProgressTextControl || record->command == kProgressBarControl)) {
        record->enabled = true;
        return true;
    }
    return Dialog::handleMessage(number, data);
}

} // namespace quillery
