// The question of File > Export Pages...: the current page or every page, and the folder the images go to.
// It goes through here so that tests can answer instead of a person.
#pragma once

#include <QString>
#include <QWidget>

#include <cstddef>
#include <optional>

namespace quillery {

struct ExportChoice {
    bool allPages = true;
    QString folder;
};

class ExportChooser {
  public:
    // Asks; none when cancelled. `page` is the current page (from 0), `folder` the folder first offered.
    static std::optional<ExportChoice> choose(QWidget* parent, size_t page, size_t pageCount,
                                              const QString& folder);

    // The next question is not shown: it returns `choice` at once (none = cancelled). Only the next one.
    static void setNextChoice(std::optional<ExportChoice> choice);
};

} // namespace quillery
