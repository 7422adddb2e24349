#include "framework/log_manager.h"

#include "framework/display_text.h"

namespace quillery {

LogManager::LogManager(const QString& applicationName, PreferencesStore* preferences)
    : title_(applicationName + QStringLiteral(" Errors")), preferences_(preferences) {}

LogManager::~LogManager() {
    close();
    if (handlersInstalled_) {
        // The channels must not call into a manager that is gone.
        setErrorHandler(printReportToStdout);
        setWarningHandler(printReportToStdout);
        setNoteHandler(printReportToStdout);
    }
}

void LogManager::installChannelHandlers() {
    auto handler = [this](const Report& report) { return handleReport(report); };
    setErrorHandler(handler);
    setWarningHandler(handler);
    setNoteHandler(handler);
    handlersInstalled_ = true;
}

int LogManager::handleReport(const Report& report) {
    LogEntry entry;
    entry.level = static_cast<int32_t>(report.level);
    entry.text = QString::fromStdU16String(decodeDisplayText(report.text));
    if (report.place) {
        entry.file = sourceName_;
        if (!report.part.empty()) {
            // A document inside the source (an EPUB's): "book.epub: OEBPS/text.xhtml".
            entry.file += QStringLiteral(": ") +
                          QString::fromUtf8(report.part.data(), static_cast<qsizetype>(report.part.size()));
        }
        entry.line = report.place->line;
        entry.column = report.place->column;
    }
    addEntry(std::move(entry), report.level != ReportLevel::Note);
    return 0;
}

void LogManager::addEntry(LogEntry entry, bool show) {
    if (!window_) {
        window_ = new LogWindow(title_, QStringLiteral("LogManager"), preferences_);
        LogWindow* created = window_;
        window_->setClosedCallback([this, created] {
            if (window_ == created) {
                window_ = nullptr;
            }
        });
    }
    if (show && !window_->isVisible()) {
        window_->show();
    }
    if (window_->isVisible()) {
        window_->raise();
        window_->activateWindow();
    }
    window_->entryList()->addEntry(std::move(entry));
    // A build blocks the event loop, so the new row is painted now.
    if (window_->isVisible()) {
        window_->entryList()->repaint();
    }
}

void LogManager::clear() {
    if (window_) {
        window_->entryList()->clear();
        window_->clearOfferedAction();
        if (window_->isVisible()) {
            window_->entryList()->repaint();
        }
    }
}

void LogManager::offerAction(const QString& text, std::function<void()> action) {
    if (window_) {
        window_->setOfferedAction(text, std::move(action));
    }
}

void LogManager::close() {
    QPointer<LogWindow> closing = window_;
    window_ = nullptr;
    if (!closing) {
        return;
    }
    closing->close();
    // Closing schedules the deletion; do it now so nothing of the window outlives its manager.
    delete closing.data();
}

} // namespace quillery
