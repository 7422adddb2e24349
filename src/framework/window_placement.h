// Where a top-level window goes when it is shown: a remembered place, or the centre of the screen.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace quillery {

// True when enough of `frame` lies on one of `screens` to be seen and grabbed: at least 32 x 32 pixels (or
// the whole window when it is smaller).
bool isPlacementVisible(const QRect& frame, const QList<QRect>& screens);
// The same for a window of `size` with its top-left corner at `topLeft`, any values a preference may hold:
// the edges are worked out in 64 bits, so a corner near the ends of the int range is simply off every screen.
bool isPlacementVisible(QPoint topLeft, QSize size, const QList<QRect>& screens);
// `size` made no larger than the available area of the screen that holds `topLeft` (the primary screen when
// none does or none is given), so a remembered size never makes a window larger than its screen.
QSize clampedToScreen(QSize size, std::optional<QPoint> topLeft);
// The available areas of the screens now attached.
QList<QRect> availableScreenAreas();
// The top-left corner that centres a window of `size` on the primary screen's available area.
QPoint centredOnScreen(const QSize& size);

} // namespace quillery
