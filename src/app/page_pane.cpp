#include "app/page_pane.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace quillery {
namespace {

const QColor kFrameColour(160, 160, 160);

bool startsInsideReference(const std::vector<PageLine>& lines) {
    for (const PageLine& line : lines) {
        if (!line.pieces.empty()) {
            return (line.pieces.front().style & kStyleReference) != 0;
        }
    }
    return false;
}

} // namespace

PagePane::PagePane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pagePane"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layOutPage();
}

void PagePane::setView(ReaderView* view, PageArt art, size_t page) {
    view_ = view;
    art_ = std::move(art);
    page_ = view_ && view_->pageCount() ? std::min(page, view_->pageCount() - 1) : 0;
    layOutPage();
    Q_EMIT pageChanged(page_);
}

size_t PagePane::pageCount() const {
    return view_ ? view_->pageCount() : 0;
}

void PagePane::setPage(size_t page) {
    if (pageCount() == 0) {
        return;
    }
    page = std::min(page, pageCount() - 1);
    if (page == page_) {
        return;
    }
    page_ = page;
    layOutPage();
    Q_EMIT pageChanged(page_);
}

void PagePane::turn(long pages) {
    long target = static_cast<long>(page_) + pages;
    setPage(static_cast<size_t>(std::max(0L, target)));
}

void PagePane::setScale(int scale) {
    scale = std::clamp(scale, kMinPreviewScale, kMaxPreviewScale);
    if (scale == scale_) {
        return;
    }
    scale_ = scale;
    updateGeometry();
    update();
}

void PagePane::layOutPage() {
    lines_.clear();
    targets_.clear();
    if (view_ && page_ < view_->pageCount()) {
        lines_ = view_->linesOf(page_);
        std::optional<OpenReference> carried;
        // A reference whose text runs on from the page before is still followed from this page.
        if (page_ > 0 && startsInsideReference(lines_)) {
            carried = referenceOpenAfter(view_->linesOf(page_ - 1), std::nullopt);
        }
        targets_ = pageTargets(lines_, carried);
    }
    image_ = renderPage(lines_, art_);
    update();
}

QSize PagePane::sizeHint() const {
    return QSize(int(kPageWidth) * scale_ + 2 * kFrame, int(kPageHeight) * scale_ + 2 * kFrame);
}

QPoint PagePane::pageOrigin() const {
    QSize hint = sizeHint();
    return QPoint((width() - hint.width()) / 2 + kFrame, (height() - hint.height()) / 2 + kFrame);
}

QPoint PagePane::widgetPoint(const QPoint& devicePixel) const {
    return pageOrigin() + devicePixel * scale_;
}

const PageTarget* PagePane::targetAt(const QPoint& point) const {
    QPoint offset = point - pageOrigin();
    if (offset.x() < 0 || offset.y() < 0) {
        return nullptr;
    }
    QPoint device(offset.x() / scale_, offset.y() / scale_);
    for (const PageTarget& target : targets_) {
        // One device pixel around the area: a footnote mark is a single narrow glyph.
        if (target.area.adjusted(-1, -1, 1, 1).contains(device)) {
            return &target;
        }
    }
    return nullptr;
}

void PagePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPoint origin = pageOrigin();
    QRect page(origin, QSize(int(kPageWidth) * scale_, int(kPageHeight) * scale_));
    painter.setPen(hasFocus() ? palette().color(QPalette::Highlight) : kFrameColour);
    painter.drawRect(page.adjusted(-kFrame, -kFrame, kFrame - 1, kFrame - 1));
    painter.drawImage(origin, scaledPage(image_, scale_));
}

void PagePane::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
    case Qt::Key_Space:
    case Qt::Key_Right:
    case Qt::Key_Down:
        turn(1);
        break;
    case Qt::Key_PageUp:
    case Qt::Key_Left:
    case Qt::Key_Up:
        turn(-1);
        break;
    case Qt::Key_Home:
        setPage(0);
        break;
    case Qt::Key_End:
        setPage(pageCount() ? pageCount() - 1 : 0);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PagePane::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (const PageTarget* target = targetAt(event->position().toPoint())) {
        PageTarget chosen = *target; // the handler may turn the page, which replaces the targets
        Q_EMIT targetActivated(chosen);
    }
}

void PagePane::mouseMoveEvent(QMouseEvent* event) {
    setCursor(targetAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

} // namespace quillery
