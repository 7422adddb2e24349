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
            filterFor(QStringLiteral("Markdown"), QStringLiteral(".md")), QStringLiteral("All Files (*.*)")};
}

std::optional<QString> FileChooser::chooseSource(LocalStringManager& strings) {
    if (hasNextChoice) {
        hasNextChoice = false;
        return std::exchange(nextChoice, std::nullopt);
    }
    QFileDialog dialog;
    dialog.setWindowTitle(text(strings.getCopy(kOpenTitleEntry)));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The labels are ours, which the system's own chooser would not show.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(filters());
    dialog.selectNameFilter(filters().first());
    dialog.setLabelText(QFileDialog::FileName, text(strings.getWithColon(kFileNameLabelEntry)));
    dialog.setLabelText(QFileDialog::FileType, text(strings.getWithColon(kFilesOfTypeLabelEntry)));
    dialog.adjustSize();
    dialog.move(centredOnScreen(dialog.size()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<QString> FileChooser::chooseBook(LocalStringManager& strings) {
    if (hasNextChoice) {
        hasNextChoice = false;
        return std::exchange(nextChoice, std::nullopt);
    }
    QFileDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Preview Book"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilters({filterFor(QStringLiteral("Tarn Reader Book"), QStringLiteral(".tdb")),
                           QStringLiteral("All Files (*.*)")});
    dialog.setLabelText(QFileDialog::FileName, text(strings.getWithColon(kFileNameLabelEntry)));
    dialog.setLabelText(QFileDialog::FileType, text(strings.getWithColon(kFilesOfTypeLabelEntry)));
    dialog.adjustSize();
    dialog.move(centredOnScreen(dialog.size()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

void FileChooser::setNextChoice(std::optional<QString> choice) {
    hasNextChoice = true;
    nextChoice = std::move(choice);
}

} // namespace quillery
