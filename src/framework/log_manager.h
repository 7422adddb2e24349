// LogManager: the one service that turns the reports of the three diagnostic channels into log window rows.
//
// Its channel handlers make an entry of each report (error level 2, warning 1, note 0; the text decoded for
// display, see display_text.h; a report's place in its source with the name of the source being built) and
// add it, showing the window for errors and warnings. The window is created,
// hidden, by the first entry, with the title "<application name> Errors" and the key name "LogManager" (its
// place is remembered under "LogManager.WindowPos.*"). When the window receives MsgCloseWindow, by the user
// or by close(), the manager forgets it and the next entry creates a new, empty window.
#pragma once

#include "framework/diagnostics.h"
#include "framework/log_window.h"
#include "framework/preferences_store.h"

#include <QPointer>
#include <QString>

#include <functional>

namespace quillery {

class LogManager {
  public:
    // `preferences` may be null: the window then remembers nothing.
    LogManager(const QString& applicationName, PreferencesStore* preferences);
    // Closes the window, and gives the channels back to standard output when this manager's handlers were on
    // them.
    ~LogManager();
    LogManager(const LogManager&) = delete;
    LogManager& operator=(const LogManager&) = delete;

    // Installs handleReport on the error, warning and note channels.
    void installChannelHandlers();
    // The channel handler: one entry, shown for errors and warnings. Returns 0.
    int handleReport(const Report& report);
    // The name of the source the next reports belong to (its file name); empty when none is being built.
    void setSourceName(const QString& name) { sourceName_ = name; }

    // Creates the window if there is none, shows it when `show` and it is hidden, brings it to the front when
    // it is visible, then appends the entry and repaints.
    void addEntry(LogEntry entry, bool show);
    // Empties the list, scrolls it back to the top and withdraws the offered action; the window keeps its
    // place, size and visibility.
    void clear();
    // Offers an action in the current window (see LogWindow::setOfferedAction); without a window, nothing.
    void offerAction(const QString& text, std::function<void()> action);
    // Sends the window MsgCloseWindow (it closes) and forgets it.
    void close();

    // The current window, or null.
    LogWindow* window() const { return window_; }

  private:
    QString title_;
    QString sourceName_;
    PreferencesStore* preferences_;
    QPointer<LogWindow> window_;
    bool handlersInstalled_ = false;
};

} // namespace quillery
