// The program's message boxes. Every box the program shows goes through here, so that tests can answer the
// next one instead of a person (setNextAnswer) and read what it said.
#pragma once

#include <QString>

#include <optional>

namespace quillery {

enum class MessageBoxAnswer { Ok, Cancel };

struct MessageBoxText {
    QString caption;
    QString text;
};

class MessageBox {
  public:
    // A box with a single OK button.
    static void showError(const QString& caption, const QString& text);
    // A box with OK and Cancel; closing it counts as Cancel.
    static MessageBoxAnswer askOkCancel(const QString& caption, const QString& text);

    // The next box is not shown: it returns `answer` at once. Only the next one.
    static void setNextAnswer(MessageBoxAnswer answer);
    // The last box asked for (shown or answered in advance), or none since the last forget().
    static const std::optional<MessageBoxText>& last();
    static void forget();
};

} // namespace quillery
