// The log window: one row per message of the diagnostic channels, each with the icon of its level.
//
// The window (class name CPPLogWindow) holds three controls: the entry list (31), a horizontal scroll bar
// (32) and a vertical scroll bar (33). The list fills the window but for the scroll bar thickness S along the
// right and the bottom edge; the bars run along those edges and leave the bottom-right S x S square empty.
//
// A row is one text line: max(line height, 16) + 6 pixels high. It shows the level icon at (3, 3), then from
// (22, 3) the place of the report when it has one ("story.tml:12:5", in a quieter colour) and the message
// text, and a grey line along its bottom edge. The message is shown as it is, except that the line ends it
// closes with are left out and every other line end (CR LF, LF or CR, as an excerpt of a source holds them)
// is shown as one mark, so an excerpt stays on its row.
//
// A click selects the row under the pointer, a click with Shift extends the selection to it; the up and down
// keys move the selection (from none: the last row, or the first), with Shift extending it, stopping at the
// ends, and scroll the current row into view; Ctrl+A selects every row. Ctrl+C and the context menu's "Copy"
// put the selected rows on the clipboard, one line each: the place and ": " when there is one, the level
// ("error", "warning" or "note"), ": " and the shown text. The line-scroll steps are 22 pixels.
//
// A caller may offer one action to follow up on what the log shows (say, opening what a build wrote): a push
// button at the bottom right, in a strip below the scroll bar, shown only while an action is offered.
//
// When shown, the window takes 512 x 384 pixels, or the size remembered under the key name's
// ".WindowPos.width" and ".WindowPos.height" values (no larger than the available screen), at the place
// remembered under ".WindowPos.x" and ".WindowPos.y" when that place is on a screen, else centred; when
// hidden it writes all four values. An empty key name turns this off.
#pragma once

#include "framework/preferences_store.h"
#include "framework/window.h"

#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QMenu;

namespace quillery {

struct LogEntry {
    int32_t level = 0; // 0 note, 1 warning, 2 error
    QString text;
    // Where in which source the report belongs; line 0 when it has no place.
    QString file;
    uint32_t line = 0;
    uint32_t column = 0;
};

// The mark that stands for a line end inside a message.
inline constexpr char16_t kLineEndMark = u'\u21B5';

class LogEntryList : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kLineScroll = 22;
    static constexpr int kIconSize = 16;
    static constexpr int kPadding = 3;
    static constexpr int kTextLeft = 22;

    LogEntryList(QScrollBar* horizontal, QScrollBar* vertical, QWidget* parent);

    void addEntry(LogEntry entry);
    // Removes every entry and scrolls back to the top-left corner.
    void clear();

    int count() const { return static_cast<int>(rows_.size()); }
    const LogEntry& entry(int row) const { return rows_[static_cast<size_t>(row)].entry; }
    // The current row (the end of the selection that moves), or -1.
    int selectedRow() const { return selected_; }
    // Selects `row` alone (-1 for none) and scrolls it into view.
    void selectRow(int row);
    // Moves the current row to `row`, keeping the other end of the selection; scrolls it into view.
    void extendSelection(int row);
    bool isSelected(int row) const;
    // The selected rows as copied: one line each, see above.
    QString selectedText() const;
    void copySelection() const;
    // The context menu of the list: "Copy", enabled while rows are selected. The caller owns it.
    QMenu* createContextMenu();

    // What the row shows: its place ("file:line:column", empty without one) and its text on one line.
    QString placeText(int row) const { return rows_[static_cast<size_t>(row)].place; }
    QString shownText(int row) const { return rows_[static_cast<size_t>(row)].shown; }
    int rowTop(int row) const { return rows_[static_cast<size_t>(row)].top; }
    int rowHeight(int row) const { return rows_[static_cast<size_t>(row)].height; }
    int totalHeight() const { return totalHeight_; }
    int contentWidth() const { return contentWidth_; }
    // The row at a point of the list, or -1.
    int rowAt(const QPoint& point) const;
    int lineHeight() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Row {
        LogEntry entry;
        QString place;
        QString shown;
        int top = 0;
        int height = 0;
        int width = 0; // content width: 22 + the place and its gap + the text
    };

    void measure(Row& row) const;
    void remeasureAll();
    void updateScrollBars();
    void scrollIntoView(int row);

    QScrollBar* horizontal_;
    QScrollBar* vertical_;
    std::vector<Row> rows_;
    int selected_ = -1;
    int anchor_ = -1; // the end of the selection that stays
    int totalHeight_ = 0;
    int contentWidth_ = 0;
    QPixmap icons_[3];
};

class LogWindow : public Window {
    Q_OBJECT
  public:
    static constexpr uint16_t kEntryList = 31;
    static constexpr uint16_t kHorizontalScrollBar = 32;
    static constexpr uint16_t kVerticalScrollBar = 33;
    static constexpr int kDefaultWidth = 512;
    static constexpr int kDefaultHeight = 384;

    // `preferences` may be null, which turns position saving off like an empty key name.
    LogWindow(const QString& title, const QString& keyName, PreferencesStore* preferences);

    LogEntryList* entryList() const { return list_; }
    QScrollBar* horizontalScrollBar() const { return horizontal_; }
    QScrollBar* verticalScrollBar() const { return vertical_; }

    // Shows a button with `text` that calls `action` when clicked; it replaces any action offered before.
    void setOfferedAction(const QString& text, std::function<void()> action);
    // Hides the button; the list takes the window's whole height again.
    void clearOfferedAction();
    // The button of the offered action (hidden while none is offered).
    QPushButton* offeredActionButton() const { return offer_; }

    // Called when the window receives MsgCloseWindow.
    void setClosedCallback(std::function<void()> callback) { closed_ = std::move(callback); }

    bool handleMessage(MessageNumber number, MessageData* data) override;
    void setVisible(bool visible) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layOut();
    void restorePlacement();
    void savePlacement();
    std::string valueName(const char* suffix) const;

    QString keyName_;
    PreferencesStore* preferences_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
    LogEntryList* list_;
    QPushButton* offer_;
    std::function<void()> offeredAction_;
    std::function<void()> closed_;
};

} // namespace quillery
