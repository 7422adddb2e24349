#include "framework/window_placement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace quillery {

bool isPlacementVisible(const QRect& frame, const QList<QRect>& screens) {
    int needWidth = std::min(frame.width(), 32);
    int needHeight = std::min(frame.height(), 32);
    for (const QRect& screen : screens) {
        QRect seen = screen.intersected(frame);
        if (!seen.isEmpty() && seen.width() >= needWidth && seen.height() >= needHeight) {
            return true;
        }
    }
    return false;
}

QList<QRect> availableScreenAreas() {
    QList<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens()) {
        areas.append(screen->availableGeometry());
    }
    return areas;
}

QPoint centredOnScreen(const QSize& size) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, size.width(), size.height());
    return {area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2};
}

} // namespace quillery
