// Where a top-level window goes when it is shown: a remembered place, or the centre of the screen.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillery {

// True when enough of `frame` lies on one of `screens` to be seen and grabbed: at least 32 x 32 pixels (or
// the whole window when it is smaller).
bool isPlacementVisible(const QRect& frame, const QList<QRect>& screens);
// The available areas of the screens now attached.
QList<QRect> availableScreenAreas();
// The top-left corner that centres a window of `size` on the primary screen's available area.
QPoint centredOnScreen(const QSize& size);

} // namespace quillery
