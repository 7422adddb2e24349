// BlockWindow: the body of a sidebar or a footnote, shown as the reader shows it when its reference is
// followed: laid out on pages of its own in the font and at the scale of the Preview window that opened it.
#pragma once

#include "app/page_pane.h"
#include "framework/window.h"

#include <QLabel>

#include <memory>

namespace quillery {

class CommandButton;
class PreviewBook;
struct BookBlock;

inline constexpr uint16_t kBlockPreviousControl = 66;
inline constexpr uint16_t kBlockNextControl = 67;

class BlockWindow : public Window {
    Q_OBJECT
  public:
    // `heading` names the block ("Footnote \"board\""). The book must outlive the window.
    BlockWindow(PreviewBook& book, const BookBlock& block, const QString& heading, ViewFont font, int scale,
                QWidget* parent);
    ~BlockWindow() override;

    PagePane* pane() const { return pane_; }

    bool handleMessage(MessageNumber number, MessageData* data) override;

  private:
    void showPageNumber();

    std::unique_ptr<ReaderView> view_;
    PagePane* pane_;
    QLabel* pageLabel_;
};

} // namespace quillery
