#include "app/preview_window.h"

#include "app/block_window.h"
#include "app/export_chooser.h"
#include "app/menu_bar.h"
#include "app/message_box.h"
#include "app/page_export.h"
#include "app/shell_messages.h"
#include "framework/command_controls.h"
#include "framework/window_placement.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QVBoxLayout>

#include <algorithm>

namespace quillery {
namespace {

constexpr int kChapterListWidth = 180;
const QString kNotice = QStringLiteral("Line and page breaks are exact; letter shapes are approximate.");

QString localPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The folder export offers first: beside the book, named after it.
QString exportFolderFor(const std::string& bookPath) {
    QFileInfo book(localPath(bookPath));
    return book.dir().filePath(book.completeBaseName() + QStringLiteral("-pages"));
}

} // namespace

PreviewWindow::PreviewWindow(std::unique_ptr<PreviewBook> book, const std::string& path, const MenuBar* menus,
                             QWidget* parent)
    : Window(parent), book_(std::move(book)), path_(path) {
    setObjectName(QStringLiteral("Preview Window"));
    setWindowTitle(book_->title() + QStringLiteral(" - Preview"));

    auto* column = new QVBoxLayout(this);
    if (menus) {
        column->setMenuBar(menus->createFor(this));
    }
    auto* body = new QHBoxLayout;
    column->addLayout(body, 1);

    auto* chapterColumn = new QVBoxLayout;
    chapterColumn->addWidget(new QLabel(QStringLiteral("Chapters"), this));
    chapters_ = new QListWidget(this);
    chapters_->setObjectName(QStringLiteral("chapters"));
    chapterColumn->addWidget(chapters_, 1);
    body->addLayout(chapterColumn);

    auto* pageColumn = new QVBoxLayout;
    pane_ = new PagePane(this);
    pageColumn->addWidget(makeControls());
    pageColumn->addWidget(pane_, 1, Qt::AlignCenter);
    body->addLayout(pageColumn, 1);

    auto* notice = new QLabel(kNotice, this);
    notice->setObjectName(QStringLiteral("notice"));
    column->addWidget(notice);

    connect(pane_, &PagePane::pageChanged, this, [this] { pageShown(); });
    connect(pane_, &PagePane::targetActivated, this, [this](const PageTarget& target) { follow(target); });
    connect(chapters_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        uint32_t position = item->data(Qt::UserRole).toUInt();
        pane_->setPage(pane_->view()->pageOf(position));
        pane_->setFocus();
    });
    connect(scale_, &QComboBox::currentIndexChanged, this, [this](int index) {
        pane_->setScale(index + kMinPreviewScale);
        adjustSize();
    });

    fillChapters();
    setViewFont(ViewFont::Small);
    adjustSize();
    move(centredOnScreen(frameGeometry().size()));
    pane_->setFocus();
}

PreviewWindow::~PreviewWindow() {
    // The pane and the body window draw from the book's views: they go first.
    delete block_.data();
    delete pane_;
}

QWidget* PreviewWindow::makeControls() {
    auto* controls = new QWidget(this);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new CommandButton(QStringLiteral("< Previous"), kPreviousPageControl, controls));
    pageLabel_ = new QLabel(controls);
    pageLabel_->setObjectName(QStringLiteral("pageNumber"));
    pageLabel_->setAlignment(Qt::AlignCenter);
    row->addWidget(pageLabel_, 1);
    row->addWidget(new CommandButton(QStringLiteral("Next >"), kNextPageControl, controls));
    row->addSpacing(12);
    row->addWidget(new CommandCheckBox(QStringLiteral("Large font"), kLargeFontControl, controls));
    scale_ = new QComboBox(controls);
    scale_->setObjectName(QStringLiteral("scale"));
    for (int scale = kMinPreviewScale; scale <= kMaxPreviewScale; ++scale) {
        scale_->addItem(QStringLiteral("x%1").arg(scale));
    }
    scale_->setCurrentIndex(kDefaultPreviewScale - kMinPreviewScale);
    pane_->setScale(kDefaultPreviewScale);
    row->addWidget(scale_);
    return controls;
}

void PreviewWindow::fillChapters() {
    for (const BookPositionEntry& chapter : book_->contents().chapters) {
        auto* item = new QListWidgetItem(deviceTextToQString(chapter.name), chapters_);
        item->setData(Qt::UserRole, chapter.position);
    }
    // Wide enough for the titles (up to a point: a title can have 80 characters).
    const int titles = chapters_->sizeHintForColumn(0) + 2 * chapters_->frameWidth() + 8;
    chapters_->setMinimumWidth(std::clamp(titles, kChapterListWidth, 2 * kChapterListWidth));
}

void PreviewWindow::setViewFont(ViewFont font) {
    // The text at the top of the page stays in view.
    ReaderView* shown = pane_->view();
    uint32_t position =
        shown && pane_->page() < shown->pageCount() ? shown->pages()[pane_->page()].position : 0;
    font_ = font;
    ReaderView& view = book_->view(font);
    pane_->setView(
        &view,
        PageArt{book_->contents().mainText, [this](std::string_view name) { return book_->image(name); }},
        view.pageOf(position));
}

void PreviewWindow::pageShown() {
    const size_t count = pane_->pageCount();
    pageLabel_->setText(count ? QStringLiteral("Page %1 of %2").arg(pane_->page() + 1).arg(count)
                              : QStringLiteral("No pages in this font"));
    // The chapter list marks the chapter the page belongs to.
    int current = -1;
    for (int row = 0; row < chapters_->count(); ++row) {
        uint32_t position = chapters_->item(row)->data(Qt::UserRole).toUInt();
        if (count && pane_->view()->pageOf(position) <= pane_->page()) {
            current = row;
        }
    }
    QSignalBlocker quiet(chapters_);
    chapters_->setCurrentRow(current);
    refreshCommands();
    if (Application* application = Application::instance()) {
        application->refresh();
    }
}

void PreviewWindow::follow(const PageTarget& target) {
    if (target.kind != TargetKind::Link) {
        showBlock(target);
        return;
    }
    std::optional<uint32_t> anchor = book_->anchorPosition(target.name);
    if (!anchor) {
        MessageBox::showError(windowTitle(), QStringLiteral("The link \"%1\" leads to no place in this book.")
                                                 .arg(deviceTextToQString(target.name)));
        return;
    }
    pane_->setPage(pane_->view()->pageOf(*anchor));
}

void PreviewWindow::showBlock(const PageTarget& target) {
    const bool sidebar = target.kind == TargetKind::Sidebar;
    const BookBlock* block = sidebar ? book_->sidebar(target.name) : book_->footnote(target.name);
    QString heading = QStringLiteral("%1 \"%2\"")
                          .arg(sidebar ? QStringLiteral("Sidebar") : QStringLiteral("Footnote"),
                               deviceTextToQString(target.name));
    if (!block) {
        MessageBox::showError(windowTitle(), QStringLiteral("The book holds no body for %1.").arg(heading));
        return;
    }
    delete block_.data();
    block_ = new BlockWindow(*book_, *block, heading, font_, pane_->scale(), this);
    block_->adjustSize();
    block_->move(frameGeometry().topRight() + QPoint(8, 0));
    block_->show();
    block_->raise();
    block_->activateWindow();
}

void PreviewWindow::exportPages() {
    if (pane_->pageCount() == 0) {
        return;
    }
    std::optional<ExportChoice> choice =
        ExportChooser::choose(this, pane_->page(), pane_->pageCount(), exportFolderFor(path_));
    if (!choice) {
        return;
    }
    ExportRequest request;
    request.font = font_;
    request.scale = pane_->scale();
    if (!choice->allPages) {
        request.page = pane_->page();
    }
    request.folder = QFile::encodeName(choice->folder).toStdString();
    std::string error;
    if (!quillery::exportPages(*book_, request, error)) {
        MessageBox::showError(QStringLiteral("Export Pages"), QString::fromStdString(error));
    }
}

bool PreviewWindow::handleMessage(MessageNumber number, MessageData* data) {
    auto* record = dynamic_cast<CommandRecord*>(data);
    if (!record || (number != MsgExecute && number != MsgUpdate)) {
        return Window::handleMessage(number, data);
    }
    const bool execute = number == MsgExecute;
    switch (record->command) {
    case kPreviousPageControl:
    case kNextPageControl:
        if (execute) {
            pane_->turn(record->command == kPreviousPageControl ? -1 : 1);
        } else {
            record->enabled = record->command == kPreviousPageControl
                                  ? pane_->page() > 0
                                  : pane_->page() + 1 < pane_->pageCount();
        }
        return true;
    case kLargeFontControl:
        if (execute) {
            setViewFont(font_ == ViewFont::Small ? ViewFont::Large : ViewFont::Small);
        } else {
            record->enabled = true;
            record->checked = font_ == ViewFont::Large;
        }
        return true;
    case CmdExportPages:
        if (execute) {
            exportPages();
        } else {
            record->enabled = pane_->pageCount() > 0;
        }
        return true;
    default:
        return Window::handleMessage(number, data);
    }
}

} // namespace quillery
