#include "app/export_chooser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace quillery {
namespace {

bool hasNextChoice = false;
std::optional<ExportChoice> nextChoice;

} // namespace

std::optional<ExportChoice> ExportChooser::choose(QWidget* parent, size_t page, size_t pageCount,
                                                  const QString& folder) {
    if (hasNextChoice) {
        hasNextChoice = false;
        return std::exchange(nextChoice, std::nullopt);
    }
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export Pages"));
    auto* column = new QVBoxLayout(&dialog);
    auto* current = new QRadioButton(QStringLiteral("The current page (page %1)").arg(page + 1), &dialog);
    auto* all = new QRadioButton(QStringLiteral("All %1 pages").arg(pageCount), &dialog);
    all->setChecked(true);
    column->addWidget(new QLabel(QStringLiteral("Save as PNG images:"), &dialog));
    column->addWidget(current);
    column->addWidget(all);

    auto* row = new QHBoxLayout;
    auto* field = new QLineEdit(folder, &dialog);
    field->setMinimumWidth(320);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), &dialog);
    row->addWidget(new QLabel(QStringLiteral("Folder:"), &dialog));
    row->addWidget(field, 1);
    row->addWidget(browse);
    column->addLayout(row);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, field] {
        QString chosen = QFileDialog::getExistingDirectory(&dialog, QStringLiteral("Folder"), field->text());
        if (!chosen.isEmpty()) {
            field->setText(chosen);
        }
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    column->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || field->text().isEmpty()) {
        return std::nullopt;
    }
    return ExportChoice{all->isChecked(), field->text()};
}

void ExportChooser::setNextChoice(std::optional<ExportChoice> choice) {
    hasNextChoice = true;
    nextChoice = std::move(choice);
}

} // namespace quillery
