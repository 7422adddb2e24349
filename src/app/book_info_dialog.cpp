#include "app/book_info_dialog.h"

#include "framework/window_placement.h"

#include <QFontMetrics>

#include <algorithm>

namespace quillery {
namespace {

QString toQString(const WideString& text) {
    return QString::fromStdU16String(text.text());
}

WideString toWide(const QString& text) {
    return WideString(text.toStdU16String());
}

constexpr int kFieldCharacters = 30;
constexpr int kExplanationLines = 4;

} // namespace

BookInfoDialog::BookInfoDialog(const BookInfo& info, MessageTarget* listener, MessageNumber completion,
                               const QString& sourceName)
    : Dialog(listener, completion), info_(info) {
    setObjectName(QStringLiteral("bookInfoDialog"));
    QString caption = QStringLiteral("Book Info");
    if (!sourceName.isEmpty()) {
        caption += QStringLiteral(" - ") + sourceName;
    }
    setWindowTitle(caption);

    ok_ = new CommandButton(QStringLiteral("OK"), kCommandOk, this);
    ok_->setDefault(true);
    cancel_ = new CommandButton(QStringLiteral("Cancel"), kCommandCancel, this);
    const char* labelTexts[] = {"Title:", "Author:", "Publisher:", "Copyright:", "ISBN:"};
    for (int row = 0; row < 5; ++row) {
        labels_[row] = new QLabel(QString::fromLatin1(labelTexts[row]), this);
        setControlNumber(labels_[row], static_cast<uint16_t>(kTitleLabel + row));
        fields_[row] = new CommandTextField(static_cast<uint16_t>(kTitleField + row), this);
    }
    required_ = new QLabel(QStringLiteral("(Required)"), this);
    setControlNumber(required_, kRequiredLabel);
    explanation_ = new QLabel(
        QStringLiteral(
            "You must enter a title for this book. This will be the title of the book as it appears "
            "in the Open Book dialog in the Tarn Reader. The remaining fields are optional."),
        this);
    explanation_->setWordWrap(true);
    setControlNumber(explanation_, kExplanationLabel);

    // Rows are Title, Author, Publisher, Copyright, ISBN.
    const WideString* values[] = {&info_.title, &info_.author, &info_.publisher, &info_.copyright,
                                  &info_.isbn};
    for (int row = 0; row < 5; ++row) {
        fields_[row]->setText(toQString(*values[row]));
    }
    layOut();
    fields_[0]->setFocus();
    fields_[0]->selectAll();
    if (Application* application = Application::instance()) {
        application->send(nullptr, MsgRefresh);
    }
}

CommandTextField* BookInfoDialog::field(uint16_t number) const {
    if (number < kTitleField || number > kIsbnField) {
        return nullptr;
    }
    return fields_[number - kTitleField];
}

void BookInfoDialog::layOut() {
    const int margin = Application::metric(5);
    const int rowSpacing = Application::metric(3);
    const int columnSpacing = Application::metric(2);

    QFontMetrics metrics(fields_[0]->font());
    // A line edit's own size hint is made for 17 "x"; widen it to hold 30.
    const int fieldWidth = fields_[0]->sizeHint().width() +
                           (kFieldCharacters - 17) * metrics.horizontalAdvance(QLatin1Char('x'));
    for (CommandTextField* field : fields_) {
        field->resize(fieldWidth, field->sizeHint().height());
    }
    int L = 0;
    int R = 0;
    for (int row = 0; row < 5; ++row) {
        labels_[row]->resize(labels_[row]->sizeHint());
        L = std::max(L, labels_[row]->width());
        R = std::max({R, labels_[row]->height(), fields_[row]->height()});
    }
    const int F = fieldWidth;
    const QSize B(std::max(ok_->sizeHint().width(), cancel_->sizeHint().width()),
                  cancel_->sizeHint().height());
    const int M = QFontMetrics(explanation_->font()).lineSpacing();

    const int width = std::max(L + columnSpacing + F, 2 * B.width() + margin) + 2 * margin;
    const int height =
        5 * R + 4 * rowSpacing + margin + kExplanationLines * M + margin + B.height() + 2 * margin;

    for (int row = 0; row < 5; ++row) {
        int top = margin + row * (R + rowSpacing);
        labels_[row]->move(margin + L - labels_[row]->width(), top);
        fields_[row]->move(margin + L + columnSpacing, top);
    }
    required_->resize(required_->sizeHint());
    required_->move(margin + L - required_->width(), labels_[0]->y() + labels_[0]->height());

    cancel_->setGeometry(width - margin - B.width(), height - margin - B.height(), B.width(), B.height());
    ok_->setGeometry(cancel_->x() - margin - B.width(), cancel_->y(), B.width(), B.height());
    explanation_->setGeometry(margin, cancel_->y() - margin - kExplanationLines * M, width - 2 * margin,
                              kExplanationLines * M);
    setFixedSize(width, height);
}

void BookInfoDialog::present() {
    move(centredOnScreen(frameGeometry().size()));
    show();
    raise();
    activateWindow();
}

void BookInfoDialog::takeFields() {
    info_.title = toWide(fields_[0]->text());
    info_.author = toWide(fields_[1]->text());
    info_.publisher = toWide(fields_[2]->text());
    info_.copyright = toWide(fields_[3]->text());
    info_.isbn = toWide(fields_[4]->text());
}

bool BookInfoDialog::handleMessage(MessageNumber number, MessageData* data) {
    auto* record = dynamic_cast<CommandRecord*>(data);
    if (!record) {
        return Dialog::handleMessage(number, data);
    }
    const uint16_t command = record->command;
    if (number == MsgUpdate) {
        if (command == kCommandOk) {
            record->enabled = !fields_[0]->text().isEmpty();
            return true;
        }
        if (command == kCommandCancel || (command >= kTitleLabel && command <= kIsbnField)) {
            record->enabled = true;
            return true;
        }
    }
    if (number == MsgExecute) {
        if (command == kTitleField) {
            if (Application* application = Application::instance()) {
                application->send(nullptr, MsgRefresh);
            }
            return true;
        }
        if (command > kTitleField && command <= kIsbnField) {
            return true;
        }
        if (command == kCommandOk || command == kCommandCancel) {
            takeFields();
            finish(command == kCommandOk ? 1 : 2);
            return true;
        }
    }
    return Dialog::handleMessage(number, data);
}

} // namespace quillery
