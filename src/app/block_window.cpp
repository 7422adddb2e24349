#include "app/block_window.h"

#include "app/preview_book.h"
#include "framework/command_controls.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quillery {

BlockWindow::BlockWindow(PreviewBook& book, const BookBlock& block, const QString& heading, ViewFont font,
                         int scale, QWidget* parent)
    : Window(parent) {
    setObjectName(QStringLiteral("Block Window"));
    setWindowTitle(heading);
    view_ = std::make_unique<ReaderView>(book.blockInput(block), font);

    auto* column = new QVBoxLayout(this);
    pane_ = new PagePane(this);
    pane_->setScale(scale);
    pane_->setView(view_.get(),
                   PageArt{block.text, [&book](std::string_view name) { return book.image(name); }});
    column->addWidget(pane_, 0, Qt::AlignHCenter);

    auto* row = new QHBoxLayout;
    auto* previous = new CommandButton(QStringLiteral("< Previous"), kBlockPreviousControl, this);
    auto* next = new CommandButton(QStringLiteral("Next >"), kBlockNextControl, this);
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("pageNumber"));
    row->addWidget(previous);
    row->addStretch(1);
    row->addWidget(pageLabel_);
    row->addStretch(1);
    row->addWidget(next);
    column->addLayout(row);

    connect(pane_, &PagePane::pageChanged, this, [this] {
        showPageNumber();
        refreshCommands();
    });
    showPageNumber();
    pane_->setFocus();
}

BlockWindow::~BlockWindow() {
    // The pane draws from the view: it goes first.
    delete pane_;
}

void BlockWindow::showPageNumber() {
    pageLabel_->setText(QStringLiteral("Page %1 of %2")
                            .arg(pane_->pageCount() ? pane_->page() + 1 : 0)
                            .arg(pane_->pageCount()));
}

bool BlockWindow::handleMessage(MessageNumber number, MessageData* data) {
    auto* record = dynamic_cast<CommandRecord*>(data);
    if (!record || (record->command != kBlockPreviousControl && record->command != kBlockNextControl)) {
        return Window::handleMessage(number, data);
    }
    const bool previous = record->command == kBlockPreviousControl;
    if (number == MsgExecute) {
        pane_->turn(previous ? -1 : 1);
        return true;
    }
    if (number == MsgUpdate) {
        record->enabled = previous ? pane_->page() > 0 : pane_->page() + 1 < pane_->pageCount();
        return true;
    }
    return Window::handleMessage(number, data);
}

} // namespace quillery
