#include "app/file_chooser.h"

#include "framework/window_placement.h"

#include <QFileDialog>

namespace quillery {
namespace {

constexpr size_t kOpenTitleEntry = 2;
constexpr size_t kFileNameLabelEntry = 67;
constexpr size_t kFilesOfTypeLabelEntry = 68;

bool hasNextChoice = false;
std::optional<QString> nextChoice;

QString filterFor(const QString& description, const QString& extension) {
    return description + QStringLiteral(" (*") + extension + QStringLiteral(")");
}

QString text(const WideString& wide) {
    return QString::fromStdU16String(wide.text());
}

} // namespace

QStringList FileChooser::filters() {
    return {filterFor(QStringLiteral("Tarn Markup Language"), QStringLiteral(".tml")),
            filterFor(QStringLiteral("Text"), QStringLiteral(".txt")),
            filterFor(QStringLiteral("Markdown"), QStringLiteral(".md")),
            filterFor(QStringLiteral("EPUB"), QStringLiteral(".epub")), QStringLiteral("All Files (*.*)")};
}

namespace {

// One existing file through our own chooser (the labels are ours, which the system's own chooser would not
// show), or the choice a test has set instead.
std::optional<QString> chooseExistingFile(const QString& title, const QStringList& nameFilters,
                                          LocalStringManager& strings) {
    if (hasNextChoice) {
        hasNextChoice = false;
        return std::exchange(nextChoice, std::nullopt);
    }
    QFileDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(nameFilters.first());
    dialog.setLabelText(QFileDialog::FileName, text(strings.getWithColon(kFileNameLabelEntry)));
    dialog.setLabelText(QFileDialog::FileType, text(strings.getWithColon(kFilesOfTypeLabelEntry)));
    dialog.adjustSize();
    dialog.move(centredOnScreen(dialog.size()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

} // namespace

std::optional<QString> FileChooser::chooseSource(LocalStringManager& strings) {
    return chooseExistingFile(text(strings.getCopy(kOpenTitleEntry)), filters(), strings);
}

std::optional<QString> FileChooser::chooseBook(LocalStringManager& strings) {
    return chooseExistingFile(QStringLiteral("Preview Book"),
                              {filterFor(QStringLiteral("Tarn Reader Book"), QStringLiteral(".tdb")),
                               QStringLiteral("All Files (*.*)")},
                              strings);
}

void FileChooser::setNextChoice(std::optional<QString> choice) {
    hasNextChoice = true;
    nextChoice = std::move(choice);
}

} // namespace quillery
