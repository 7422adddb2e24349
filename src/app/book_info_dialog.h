// BookInfoDialog: asks for the five fields of a book whose source names no title.
//
// Controls, in creation order: OK (1, the default button), Cancel (2), then for Title, Author, Publisher,
// Copyright and ISBN a label (40 to 44) and a text field sized for 30 characters (47 to 51), the label
// "(Required)" (45) below "Title:", and a four-line explanation (46). OK is enabled exactly while the title
// field is not empty (spaces count as text). OK or Cancel copy the five fields into the dialog's BookInfo,
// hide it and post the completion message with the result 1 (OK) or 2 (Cancel) and the dialog itself; the
// dialog is destroyed after that message has been delivered.
#pragma once

#include "framework/book_info.h"
#include "framework/command_controls.h"
#include "framework/dialog.h"

#include <QLabel>

#include <array>

namespace quillery {

inline constexpr uint16_t kTitleLabel = 40;
inline constexpr uint16_t kRequiredLabel = 45;
inline constexpr uint16_t kExplanationLabel = 46;
inline constexpr uint16_t kTitleField = 47;
inline constexpr uint16_t kAuthorField = 48;
inline constexpr uint16_t kPublisherField = 49;
inline constexpr uint16_t kCopyrightField = 50;
inline constexpr uint16_t kIsbnField = 51;

class BookInfoDialog : public Dialog {
    Q_OBJECT
  public:
    // The caption is "Book Info", followed by " - " and `sourceName` when one is given, so that the user
    // knows which file the title is for.
    BookInfoDialog(const BookInfo& info, MessageTarget* listener, MessageNumber completion,
                   const QString& sourceName = QString());

    // Sizes the dialog to its contents, centres it and shows it.
    void present();

    const BookInfo& bookInfo() const { return info_; }
    CommandTextField* field(uint16_t number) const;

    bool handleMessage(MessageNumber number, MessageData* data) override;

  private:
    void layOut();
    void takeFields();

    BookInfo info_;
    CommandButton* ok_;
    CommandButton* cancel_;
    std::array<QLabel*, 5> labels_{};
    std::array<CommandTextField*, 5> fields_{};
    QLabel* required_;
    QLabel* explanation_;
};

} // namespace quillery
