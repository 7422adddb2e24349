// The open-file chooser of "Make Book...". It goes through here so that tests can choose instead of a person.
//
// The chooser takes a single file. Its title is string list entry 2 ("Open"); its type filters are, in this
// order and the first selected, "Tarn Markup Language (*.tml)", "Text (*.txt)" and "All Files (*.*)"; its
// name and type labels are entries 67 and 68 followed by ":"; it has no read-only check box and opens centred
// on the screen.
#pragma once

#include "framework/local_string_manager.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillery {

class FileChooser {
  public:
    // The chosen file's path, or none when the chooser was cancelled.
    static std::optional<QString> chooseSource(LocalStringManager& strings);

    // The filters in their order, as the chooser shows them.
    static QStringList filters();

    // The book to preview: a single existing file, "Tarn Reader Book (*.tdb)" first, then "All Files (*.*)".
    // Answered by setNextChoice like the source chooser.
    static std::optional<QString> chooseBook(LocalStringManager& strings);

    // The next chooser is not shown: it returns `choice` at once (none = cancelled). Only the next one.
    static void setNextChoice(std::optional<QString> choice);
};

} // namespace quillery
