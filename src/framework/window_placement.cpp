#include "framework/window_placement.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cstdint>

namespace quillery {

bool isPlacementVisible(const QRect& frame, const QList<QRect>& screens) {
    return isPlacementVisible(frame.topLeft(), frame.size(), screens);
}

bool isPlacementVisible(QPoint topLeft, QSize size, const QList<QRect>& screens) {
    if (size.width() <= 0 || size.height() <= 0) {
        return false;
    }
    const int64_t left = topLeft.x();
    const int64_t top = topLeft.y();
    const int64_t right = left + size.width(); // one past the last column
    const int64_t bottom = top + size.height();
    const int64_t needWidth = std::min(size.width(), 32);
    const int64_t needHeight = std::min(size.height(), 32);
    for (const QRect& screen : screens) {
        const int64_t seenWidth = std::min<int64_t>(right, int64_t(screen.x()) + screen.width()) -
                                  std::max<int64_t>(left, screen.x());
        const int64_t seenHeight = std::min<int64_t>(bottom, int64_t(screen.y()) + screen.height()) -
                                   std::max<int64_t>(top, screen.y());
        if (seenWidth > 0 && seenHeight > 0 && seenWidth >= needWidth && seenHeight >= needHeight) {
            return true;
        }
    }
    return false;
}

QSize clampedToScreen(QSize size, std::optional<QPoint> topLeft) {
    QScreen* screen = topLeft ? QGuiApplication::screenAt(*topLeft) : nullptr;
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    return screen ? size.boundedTo(screen->availableGeometry().size()) : size;
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
