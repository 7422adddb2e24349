#include "framework/log_window.h"

#include "framework/program_pictures.h"
#include "framework/window_placement.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>

namespace quillery {
namespace {

const QColor kRowLineColour(192, 192, 192);

QStringList splitLines(const QString& text) {
    QStringList lines;
    QString line;
    for (QChar unit : text) {
        if (unit == u'\r' || unit == u'\n') {
            lines.append(line);
            line.clear();
        } else {
            line.append(unit);
        }
    }
    lines.append(line);
    return lines;
}

} // namespace

LogEntryList::LogEntryList(QScrollBar* horizontal, QScrollBar* vertical, QWidget* parent)
    : QWidget(parent), horizontal_(horizontal), vertical_(vertical) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    icons_[0] = programPicture(kNoteIconPicture);
    icons_[1] = programPicture(kWarningIconPicture);
    icons_[2] = programPicture(kErrorIconPicture);
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->setSingleStep(kLineScroll);
        bar->setRange(0, 0);
        connect(bar, &QScrollBar::valueChanged, this, [this] { update(); });
    }
}

int LogEntryList::lineHeight() const {
    return fontMetrics().lineSpacing();
}

void LogEntryList::measure(Row& row) const {
    QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (const QString& line : row.lines) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    int textHeight = static_cast<int>(row.lines.size()) * metrics.lineSpacing();
    row.height = std::max(textHeight, kIconSize) + 2 * kPadding;
    row.width = widest + kTextLeft;
}

void LogEntryList::remeasureAll() {
    totalHeight_ = 0;
    contentWidth_ = 0;
    for (Row& row : rows_) {
        measure(row);
        row.top = totalHeight_;
        totalHeight_ += row.height;
        contentWidth_ = std::max(contentWidth_, row.width);
    }
    updateScrollBars();
    update();
}

void LogEntryList::addEntry(LogEntry entry) {
    Row row;
    row.lines = splitLines(entry.text);
    row.entry = std::move(entry);
    measure(row);
    row.top = totalHeight_;
    totalHeight_ += row.height;
    contentWidth_ = std::max(contentWidth_, row.width);
    rows_.push_back(std::move(row));
    updateScrollBars();
    update();
}

void LogEntryList::clear() {
    rows_.clear();
    selected_ = -1;
    totalHeight_ = 0;
    contentWidth_ = 0;
    updateScrollBars();
    horizontal_->setValue(0);
    vertical_->setValue(0);
    update();
}

void LogEntryList::updateScrollBars() {
    horizontal_->setRange(0, std::max(0, contentWidth_ - width()));
    horizontal_->setPageStep(std::max(1, width()));
    vertical_->setRange(0, std::max(0, totalHeight_ - height()));
    vertical_->setPageStep(std::max(1, height()));
}

int LogEntryList::rowAt(const QPoint& point) const {
    int y = point.y() + vertical_->value();
    if (point.y() < 0 || y >= totalHeight_) {
        return -1;
    }
    auto after = std::upper_bound(rows_.begin(), rows_.end(), y,
                                  [](int value, const Row& row) { return value < row.top; });
    return static_cast<int>(after - rows_.begin()) - 1;
}

void LogEntryList::selectRow(int row) {
    if (row < -1 || row >= count()) {
        return;
    }
    selected_ = row;
    if (row >= 0) {
        int top = rowTop(row);
        int bottom = top + rowHeight(row);
        if (top < vertical_->value()) {
            vertical_->setValue(top);
        } else if (bottom > vertical_->value() + height()) {
            vertical_->setValue(std::min(top, bottom - height()));
        }
    }
    update();
}

void LogEntryList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Base));
    if (rows_.empty()) {
        return;
    }
    QFontMetrics metrics = fontMetrics();
    int scrollX = horizontal_->value();
    int scrollY = vertical_->value();
    // The first row whose bottom lies below the top of the view.
    auto firstRow = std::upper_bound(rows_.begin(), rows_.end(), scrollY,
                                     [](int value, const Row& row) { return value < row.top + row.height; });
    for (int index = static_cast<int>(firstRow - rows_.begin()); index < count(); ++index) {
        const Row& row = rows_[static_cast<size_t>(index)];
        int top = row.top - scrollY;
        if (top >= height()) {
            break;
        }
        bool selected = index == selected_;
        QRect area(0, top, width(), row.height);
        painter.fillRect(area, colours.color(selected ? QPalette::Highlight : QPalette::Base));
        painter.setPen(kRowLineColour);
        painter.drawLine(0, top + row.height - 1, width() - 1, top + row.height - 1);

        int level = std::clamp(row.entry.level, 0, 2);
        if (!icons_[level].isNull()) {
            painter.drawPixmap(QRect(kPadding - scrollX, top + kPadding, kIconSize, kIconSize),
                               icons_[level]);
        }
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        int baseline = top + kPadding + metrics.ascent();
        for (const QString& line : row.lines) {
            painter.drawText(kTextLeft - scrollX, baseline, line);
            baseline += metrics.lineSpacing();
        }
    }
}

void LogEntryList::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    int row = rowAt(event->position().toPoint());
    if (row >= 0) {
        selectRow(row);
    }
}

void LogEntryList::keyPressEvent(QKeyEvent* event) {
    if (rows_.empty() || (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down)) {
        QWidget::keyPressEvent(event);
        return;
    }
    int last = count() - 1;
    int row = selected_;
    if (event->key() == Qt::Key_Up) {
        row = row < 0 ? last : std::max(0, row - 1);
    } else {
        row = row < 0 ? 0 : std::min(last, row + 1);
    }
    selectRow(row);
}

void LogEntryList::wheelEvent(QWheelEvent* event) {
    // One notch (120) is three line steps, as a scroll bar moves.
    int notches = event->angleDelta().y();
    vertical_->setValue(vertical_->value() - notches * 3 * kLineScroll / 120);
    event->accept();
}

void LogEntryList::resizeEvent(QResizeEvent*) {
    updateScrollBars();
}

void LogEntryList::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        remeasureAll();
    }
    QWidget::changeEvent(event);
}

LogWindow::LogWindow(const QString& title, const QString& keyName, PreferencesStore* preferences)
    : keyName_(keyName), preferences_(preferences) {
    setObjectName(QStringLiteral("CPPLogWindow"));
    setWindowTitle(title.isEmpty() ? QStringLiteral("Log Window") : title);
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    vertical_ = new QScrollBar(Qt::Vertical, this);
    list_ = new LogEntryList(horizontal_, vertical_, this);
    setControlNumber(list_, kEntryList);
    setControlNumber(horizontal_, kHorizontalScrollBar);
    setControlNumber(vertical_, kVerticalScrollBar);
    resize(kDefaultWidth, kDefaultHeight);
    layOut();
}

bool LogWindow::handleMessage(MessageNumber number, MessageData*) {
    if (number == MsgCloseWindow && closed_) {
        closed_();
    }
    return false;
}

void LogWindow::resizeEvent(QResizeEvent*) {
    layOut();
}

void LogWindow::layOut() {
    int thickness = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int listWidth = std::max(0, width() - thickness);
    int listHeight = std::max(0, height() - thickness);
    list_->setGeometry(0, 0, listWidth, listHeight);
    vertical_->setGeometry(listWidth, 0, thickness, listHeight);
    horizontal_->setGeometry(0, listHeight, listWidth, thickness);
}

std::string LogWindow::valueName(const char* suffix) const {
    return keyName_.toStdString() + suffix;
}

void LogWindow::setVisible(bool visible) {
    if (visible && !isVisible()) {
        restorePlacement();
    } else if (!visible && isVisible()) {
        savePlacement();
    }
    Window::setVisible(visible);
}

void LogWindow::restorePlacement() {
    QSize size(kDefaultWidth, kDefaultHeight);
    std::optional<QPoint> place;
    if (preferences_ && !keyName_.isEmpty()) {
        int32_t x = 0;
        int32_t y = 0;
        if (preferences_->getInteger(valueName(".WindowPos.x"), x) &&
            preferences_->getInteger(valueName(".WindowPos.y"), y)) {
            place = QPoint(x, y);
        }
        int32_t width = 0;
        int32_t height = 0;
        if (preferences_->getInteger(valueName(".WindowPos.width"), width) &&
            preferences_->getInteger(valueName(".WindowPos.height"), height)) {
            // A size no window can have is not used.
            if (width > 0 && height > 0 && width <= QWIDGETSIZE_MAX && height <= QWIDGETSIZE_MAX) {
                size = QSize(width, height);
            }
        }
    }
    resize(size);
    if (place && !isPlacementVisible(QRect(*place, size), availableScreenAreas())) {
        place.reset();
    }
    move(place ? *place : centredOnScreen(size));
}

void LogWindow::savePlacement() {
    if (!preferences_ || keyName_.isEmpty()) {
        return;
    }
    preferences_->setInteger(valueName(".WindowPos.x"), pos().x());
    preferences_->setInteger(valueName(".WindowPos.y"), pos().y());
    preferences_->setInteger(valueName(".WindowPos.width"), width());
    preferences_->setInteger(valueName(".WindowPos.height"), height());
}

} // namespace quillery
