// DropZone: the picture on the main window that takes dropped source files (control 36).
//
// A drag is acceptable when at least one of its files passes the extension rule (drop_filter.h); while an
// acceptable drag is over the control it shows picture 2, otherwise picture 1 (266 x 246 each). On the drop
// of an acceptable drag the accepted files, in the drag's order, are posted to the application as one batch:
// MsgOpenFile with index i and batch size n. Other files are dropped silently. Over the picture it draws the
// date and the version in blue (0, 117, 191), starting at x = 180, the date on the baseline y = 63 and the
// version one line higher.
#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>

#include <string>
#include <vector>

class QMimeData;

namespace quillery {

inline constexpr uint16_t kDropZoneControl = 36;
inline constexpr int kDropZonePicture = 1;
inline constexpr int kDropZoneHighlightedPicture = 2;

class DropZone : public QWidget {
    Q_OBJECT
  public:
    DropZone(const QString& version, QWidget* parent);

    bool isHighlighted() const { return highlighted_; }
    QSize sizeHint() const override;

    // The local paths of the drag's files (other URLs as written), in order; file URIs are decoded by
    // nameOfDroppedUri (drop_filter.h).
    static std::vector<std::string> draggedPaths(const QMimeData* data);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void setHighlighted(bool highlighted);

    QPixmap normal_;
    QPixmap highlightedPicture_;
    QString version_;
    QFont versionFont_;
    bool highlighted_ = false;
};

} // namespace quillery
