// ProgressDialog: the modeless "Building..." window of a batch.
//
// A column with margins of metric(5) on all sides and metric(5) between its rows: a text line (control 34)
// and a bar from 0 to 100 (control 35), both reporting enabled. Its title is the application name. Each
// change repaints at once, because the build that follows blocks the event loop. Finishing it posts its
// completion message (MsgProgressClosed) to the listener, which nobody handles; the dialog goes with that
// message.
#pragma once

#include "framework/dialog.h"

#include <QLabel>
#include <QProgressBar>

namespace quillery {

inline constexpr uint16_t kProgressTextControl = 34;
inline constexpr uint16_t kProgressBarControl = 35;

class ProgressDialog : public Dialog {
    Q_OBJECT
  public:
    ProgressDialog(MessageTarget* listener, const QString& title, const QString& text);

    void setText(const QString& text);
    void setProgress(int percent);

    QString text() const { return text_->text(); }
    int progress() const { return bar_->value(); }

    bool handleMessage(MessageNumber number, MessageData* data) override;

  private:
    QLabel* text_;
    QProgressBar* bar_;
};

} // namespace quillery
