// PreviewWindow: a built book page by page, as the reader lays it out.
//
// It shows one page of 158 x 148 device pixels, enlarged 1 to 4 times (3 at first) without smoothing, in the
// small or the large font, with the page number and count, and says that line and page breaks are exact
// while letter shapes are approximate. The keys of the page (page_pane.h) and the Previous and Next buttons
// turn pages; the chapter list jumps to a chapter's page (and follows the page shown); clicking a link's text
// jumps to the page of its anchor, and clicking a sidebar icon or a footnote's text opens its body in a
// BlockWindow. Switching fonts keeps the text at the top of the page in view.
//
// It carries the application's menu bar; File > Export Pages... (CmdExportPages) saves the current page or
// every page as PNG images, in the font and at the scale shown.
#pragma once

#include "app/block_window.h"
#include "app/page_pane.h"
#include "app/preview_book.h"
#include "framework/window.h"

#include <QPointer>

#include <memory>

class QComboBox;
class QLabel;
class QListWidget;

namespace quillery {

class MenuBar;

inline constexpr uint16_t kPreviousPageControl = 63;
inline constexpr uint16_t kNextPageControl = 64;
inline constexpr uint16_t kLargeFontControl = 65;

class PreviewWindow : public Window {
    Q_OBJECT
  public:
    // `menus` may be null (no menu bar). `path` is where the book was read from (export offers its folder).
    PreviewWindow(std::unique_ptr<PreviewBook> book, const std::string& path, const MenuBar* menus,
                  QWidget* parent = nullptr);
    ~PreviewWindow() override;

    PreviewBook& book() { return *book_; }
    const std::string& path() const { return path_; }
    PagePane* pane() const { return pane_; }
    QListWidget* chapterList() const { return chapters_; }
    QComboBox* scaleChooser() const { return scale_; }
    QLabel* pageLabel() const { return pageLabel_; }
    ViewFont font() const { return font_; }
    // The open sidebar or footnote window, or null.
    BlockWindow* blockWindow() const { return block_; }

    void setViewFont(ViewFont font);
    // Follows a reference of the page: a link to its anchor's page, a sidebar or footnote to its body.
    void follow(const PageTarget& target);
    // Asks what to export and where, and exports.
    void exportPages();

    bool handleMessage(MessageNumber number, MessageData* data) override;

  private:
    QWidget* makeControls();
    void fillChapters();
    void pageShown();
    void showBlock(const PageTarget& target);

    std::unique_ptr<PreviewBook> book_;
    std::string path_;
    ViewFont font_ = ViewFont::Small;
    PagePane* pane_;
    QListWidget* chapters_;
    QComboBox* scale_;
    QLabel* pageLabel_;
    QPointer<BlockWindow> block_;
};

} // namespace quillery
