#include "app/drop_zone.h"

#include "app/drop_filter.h"
#include "app/shell_messages.h"
#include "framework/application.h"
#include "framework/program_pictures.h"
#include "framework/window.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QFontMetrics>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace quillery {
namespace {

constexpr QSize kPictureSize(266, 246);
const QColor kVersionColour(0, 117, 191);
constexpr int kTextLeft = 180;
constexpr int kDateBaseline = 63;

} // namespace

DropZone::DropZone(const QString& version, QWidget* parent)
    : QWidget(parent), normal_(programPicture(kDropZonePicture)),
      highlightedPicture_(programPicture(kDropZoneHighlightedPicture)), version_(version),
      versionFont_(font()) {
    setObjectName(QStringLiteral("dropZone"));
    setControlNumber(this, kDropZoneControl);
    setAcceptDrops(true);
    setFixedSize(kPictureSize);
}

QSize DropZone::sizeHint() const {
    return kPictureSize;
}

std::vector<std::string> DropZone::draggedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        // Files of this machine by the bytes of their names on disk; anything else by its text, which the
        // extension rule then judges; a file URI that no file can have is left out.
        DroppedName name = nameOfDroppedUri(url.toEncoded().toStdString());
        if (name.kind == DroppedName::LocalFile) {
            paths.push_back(std::move(name.path));
        } else if (name.kind == DroppedName::Other) {
            paths.push_back(QFile::encodeName(url.toString()).toStdString());
        }
    }
    return paths;
}

void DropZone::setHighlighted(bool highlighted) {
    if (highlighted_ != highlighted) {
        highlighted_ = highlighted;
        update();
    }
}

void DropZone::dragEnterEvent(QDragEnterEvent* event) {
    bool acceptable = !acceptedSourceFiles(draggedPaths(event->mimeData())).empty();
    setHighlighted(acceptable);
    if (acceptable) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropZone::dragMoveEvent(QDragMoveEvent* event) {
    if (highlighted_) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropZone::dragLeaveEvent(QDragLeaveEvent* event) {
    setHighlighted(false);
    event->accept();
}

void DropZone::dropEvent(QDropEvent* event) {
    setHighlighted(false);
    std::vector<std::string> accepted = acceptedSourceFiles(draggedPaths(event->mimeData()));
    Application* application = Application::instance();
    if (accepted.empty() || !application) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const auto count = static_cast<uint32_t>(accepted.size());
    for (uint32_t i = 0; i < count; ++i) {
        application->post(nullptr, MsgOpenFile, std::make_unique<FileDropRecord>(accepted[i], i, count));
    }
}

void DropZone::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, highlighted_ ? highlightedPicture_ : normal_);
    painter.setFont(versionFont_);
    painter.setPen(kVersionColour);
    painter.setBackgroundMode(Qt::TransparentMode);
    QFontMetrics metrics(versionFont_);
    // One line is ascent + descent + leading.
    const int lineHeight = metrics.ascent() + metrics.descent() + metrics.leading();
    painter.drawText(kTextLeft, kDateBaseline, QStringLiteral("Apr  2 2003"));
    painter.drawText(kTextLeft, kDateBaseline - lineHeight, QStringLiteral("Version ") + version_);
}

} // namespace quillery
