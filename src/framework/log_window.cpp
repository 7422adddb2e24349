#include "framework/log_window.h"

#include "framework/program_pictures.h"
#include "framework/window_placement.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <memory>

namespace quillery {
namespace {

const QColor kRowLineColour(192, 192, 192);

constexpr int kPlaceGap = 8; // between a row's place and its text

// The message on one line: the line ends it closes with left out, every other line end one mark.
QString oneLine(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == u'\r' || text[end - 1] == u'\n')) {
        --end;
    }
    QString line;
    line.reserve(end);
    for (qsizetype i = 0; i < end; ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < end && text[i + 1] == u'\n') {
                ++i;
            }
            line.append(QChar(kLineEndMark));
        } else {
            line.append(text[i]);
        }
    }
    return line;
}

QString placeOf(const LogEntry& entry) {
    if (entry.line == 0) {
        return {};
    }
    // A place inside an EPUB's document has a line only.
    QString place = entry.column == 0 ? QString::number(entry.line)
                                      : QStringLiteral("%1:%2").arg(entry.line).arg(entry.column);
    return entry.file.isEmpty() ? place : entry.file + QLatin1Char(':') + place;
}

const char* levelName(int32_t level) {
    switch (level) {
    case 2:
        return "error";
    case 1:
        return "warning";
    default:
        return "note";
    }
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
    int placeWidth = row.place.isEmpty() ? 0 : metrics.horizontalAdvance(row.place) + kPlaceGap;
    row.height = std::max(metrics.lineSpacing(), kIconSize) + 2 * kPadding;
    row.width = kTextLeft + placeWidth + metrics.horizontalAdvance(row.shown);
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
    row.place = placeOf(entry);
    row.shown = oneLine(entry.text);
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
    anchor_ = -1;
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

void LogEntryList::scrollIntoView(int row) {
    int top = rowTop(row);
    int bottom = top + rowHeight(row);
    if (top < vertical_->value()) {
        vertical_->setValue(top);
    } else if (bottom > vertical_->value() + height()) {
        vertical_->setValue(std::min(top, bottom - height()));
    }
}

void LogEntryList::selectRow(int row) {
    if (row < -1 || row >= count()) {
        return;
    }
    selected_ = row;
    anchor_ = row;
    if (row >= 0) {
        scrollIntoView(row);
    }
    update();
}

void LogEntryList::extendSelection(int row) {
    if (row < 0 || row >= count()) {
        return;
    }
    if (anchor_ < 0) {
        anchor_ = row;
    }
    selected_ = row;
    scrollIntoView(row);
    update();
}

bool LogEntryList::isSelected(int row) const {
    return selected_ >= 0 && row >= std::min(anchor_, selected_) && row <= std::max(anchor_, selected_);
}

QString LogEntryList::selectedText() const {
    QString text;
    for (int row = 0; row < count(); ++row) {
        if (!isSelected(row)) {
            continue;
        }
        const Row& shown = rows_[static_cast<size_t>(row)];
        if (!shown.place.isEmpty()) {
            text += shown.place + QStringLiteral(": ");
        }
        text += QLatin1String(levelName(shown.entry.level)) + QStringLiteral(": ") + shown.shown +
                QLatin1Char('\n');
    }
    return text;
}

void LogEntryList::copySelection() const {
    QString text = selectedText();
    if (!text.isEmpty()) {
        QGuiApplication::clipboard()->setText(text);
    }
}

QMenu* LogEntryList::createContextMenu() {
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(QStringLiteral("Copy"), this, [this] { copySelection(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selected_ >= 0);
    return menu;
}

void LogEntryList::contextMenuEvent(QContextMenuEvent* event) {
    // A right click on a row outside the selection selects that row first, as lists do.
    int row = rowAt(event->pos());
    if (row >= 0 && !isSelected(row)) {
        selectRow(row);
    }
    std::unique_ptr<QMenu> menu(createContextMenu());
    menu->exec(event->globalPos());
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
        bool selected = isSelected(index);
        QRect area(0, top, width(), row.height);
        painter.fillRect(area, colours.color(selected ? QPalette::Highlight : QPalette::Base));
        painter.setPen(kRowLineColour);
        painter.drawLine(0, top + row.height - 1, width() - 1, top + row.height - 1);

        int level = std::clamp(row.entry.level, 0, 2);
        if (!icons_[level].isNull()) {
            painter.drawPixmap(QRect(kPadding - scrollX, top + kPadding, kIconSize, kIconSize),
                               icons_[level]);
        }
        int baseline = top + kPadding + metrics.ascent();
        int x = kTextLeft - scrollX;
        if (!row.place.isEmpty()) {
            painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
            painter.drawText(x, baseline, row.place);
            x += metrics.horizontalAdvance(row.place) + kPlaceGap;
        }
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(x, baseline, row.shown);
    }
}

void LogEntryList::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    int row = rowAt(event->position().toPoint());
    if (row < 0) {
        return;
    }
    if (event->button() == Qt::RightButton && isSelected(row)) {
        return; // the context menu works on the selection as it is
    }
    if (event->modifiers() & Qt::ShiftModifier) {
        extendSelection(row);
    } else {
        selectRow(row);
    }
}

void LogEntryList::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        if (!rows_.empty()) {
            anchor_ = 0;
            selected_ = count() - 1;
            update();
        }
        return;
    }
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
    if (event->modifiers() & Qt::ShiftModifier) {
        extendSelection(row);
    } else {
        selectRow(row);
    }
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
    offer_ = new QPushButton(this);
    offer_->hide();
    connect(offer_, &QPushButton::clicked, this, [this] {
        // The action may clear or replace itself: it runs from a copy.
        if (std::function<void()> action = offeredAction_) {
            action();
        }
    });
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

void LogWindow::setOfferedAction(const QString& text, std::function<void()> action) {
    offeredAction_ = std::move(action);
    offer_->setText(text);
    offer_->setVisible(true);
    layOut();
}

void LogWindow::clearOfferedAction() {
    offeredAction_ = nullptr;
    offer_->setVisible(false);
    layOut();
}

void LogWindow::resizeEvent(QResizeEvent*) {
    layOut();
}

void LogWindow::layOut() {
    int thickness = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int strip = 0; // the offered action's strip along the bottom edge
    if (!offer_->isHidden()) {
        const int padding = LogEntryList::kPadding * 2;
        const QSize button = offer_->sizeHint();
        strip = button.height() + 2 * padding;
        offer_->setGeometry(std::max(0, width() - padding - button.width()),
                            std::max(0, height() - strip + padding), button.width(), button.height());
    }
    int listWidth = std::max(0, width() - thickness);
    int listHeight = std::max(0, height() - strip - thickness);
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
    // A size larger than the screen would put rows out of sight (and a huge one takes the memory of a
    // window that big).
    size = clampedToScreen(size, place);
    if (place && !isPlacementVisible(*place, size, availableScreenAreas())) {
        place.reset();
        size = clampedToScreen(size, std::nullopt);
    }
    resize(size);
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
