// The Preview window in the shell: opened from the menu or after a build, its pages turned by keys and
// buttons, its chapters, links, sidebars and footnotes followed, its fonts and scales, and its export.
#include "app/block_window.h"
#include "app/export_chooser.h"
#include "app/file_chooser.h"
#include "app/menu_bar.h"
#include "app/preview_window.h"
#include "preview_support.h"
#include "shell_fixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest/QTest>

#include <cstdlib>

namespace quillery {
namespace {

class PreviewWindowTest : public test::ShellTest {
  protected:
    // The sample book built, the main window open, and the book opened through File > Preview Book...
    PreviewWindow* openSample() {
        book = test::buildSampleBook(folder);
        EXPECT_FALSE(book.empty());
        application().send(nullptr, MsgStartup);
        EXPECT_TRUE(QTest::qWaitForWindowActive(shell->mainWindow()));
        FileChooser::setNextChoice(QString::fromStdString(book));
        QTest::keyClick(shell->mainWindow(), Qt::Key_P, Qt::ControlModifier);
        test::processEvents();
        return openPreview();
    }

    static PreviewWindow* openPreview() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<PreviewWindow*>(widget);
            if (preview && preview->isVisible()) {
                return preview;
            }
        }
        return nullptr;
    }

    static bool enabled(PreviewWindow* preview, uint16_t control) {
        return preview->control(control)->isEnabled();
    }

    // Turns to the first page that has a reference of `kind`; its area there.
    static std::optional<PageTarget> findTarget(PreviewWindow* preview, TargetKind kind) {
        for (size_t page = 0; page < preview->pane()->pageCount(); ++page) {
            preview->pane()->setPage(page);
            for (const PageTarget& target : preview->pane()->targets()) {
                if (target.kind == kind) {
                    return target;
                }
            }
        }
        return std::nullopt;
    }

    static void click(PreviewWindow* preview, const PageTarget& target) {
        PagePane* pane = preview->pane();
        QPoint centre = pane->widgetPoint(target.area.topLeft()) +
                        QPoint(target.area.width(), target.area.height()) * pane->scale() / 2;
        QTest::mouseClick(pane, Qt::LeftButton, {}, centre);
        test::processEvents();
    }

    std::string book;
};

TEST_F(PreviewWindowTest, CtrlPOpensTheBookAtItsFirstPageAndTheKeysTurnPages) {
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    PagePane* pane = preview->pane();
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("The Lamp on Gull Point - Preview"));
    EXPECT_EQ(preview->pageLabel()->text(), QStringLiteral("Page 1 of 10"));
    EXPECT_EQ(preview->scaleChooser()->currentText(), QStringLiteral("x3"));
    EXPECT_EQ(pane->sizeHint(), QSize(158 * 3 + 2, 148 * 3 + 2));
    EXPECT_EQ(preview->findChild<QLabel*>(QStringLiteral("notice"))->text(),
              QStringLiteral("Line and page breaks are exact; letter shapes are approximate."));
    EXPECT_FALSE(enabled(preview, kPreviousPageControl));
    EXPECT_TRUE(enabled(preview, kNextPageControl));

    struct Step {
        Qt::Key key;
        size_t page;
    };
    for (Step step : {Step{Qt::Key_PageDown, 1}, Step{Qt::Key_Right, 2}, Step{Qt::Key_Down, 3},
                      Step{Qt::Key_Up, 2}, Step{Qt::Key_End, 9}, Step{Qt::Key_PageDown, 9},
                      Step{Qt::Key_Left, 8}, Step{Qt::Key_Home, 0}, Step{Qt::Key_PageUp, 0}}) {
        QTest::keyClick(pane, step.key);
        EXPECT_EQ(pane->page(), step.page) << step.key;
    }
    qobject_cast<QAbstractButton*>(preview->control(kNextPageControl))->click();
    EXPECT_EQ(pane->page(), 1u);
    EXPECT_EQ(preview->pageLabel()->text(), QStringLiteral("Page 2 of 10"));
    QTest::keyClick(pane, Qt::Key_End);
    EXPECT_FALSE(enabled(preview, kNextPageControl));
    EXPECT_TRUE(enabled(preview, kPreviousPageControl));

    preview->scaleChooser()->setCurrentIndex(0);
    EXPECT_EQ(pane->sizeHint(), QSize(160, 150));
}

TEST_F(PreviewWindowTest, ChaptersAndLinksJumpToTheirPages) {
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    PagePane* pane = preview->pane();
    ReaderView& view = preview->book().view(ViewFont::Small);
    const std::vector<BookPositionEntry>& chapters = preview->book().contents().chapters;
    QListWidget* list = preview->chapterList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("Chapter Three: The Last Night"));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    const size_t third = view.pageOf(chapters[2].position);
    EXPECT_GT(third, 0u);
    EXPECT_EQ(pane->page(), third);
    EXPECT_TRUE(pane->hasFocus()); // the keys turn pages again at once
    QTest::keyClick(pane, Qt::Key_Home);
    EXPECT_EQ(list->currentRow(), 0); // the list follows the page shown

    // The link on the last page leads back to its anchor in the first chapter.
    std::optional<PageTarget> link = findTarget(preview, TargetKind::Link);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->name, "keeper");
    EXPECT_EQ(pane->page(), 9u);
    click(preview, *link);
    EXPECT_EQ(pane->page(), view.pageOf(*preview->book().anchorPosition("keeper")));
    EXPECT_EQ(pane->page(), 0u);
}

TEST_F(PreviewWindowTest, SidebarIconsAndFootnoteMarksOpenTheirBodies) {
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    std::optional<PageTarget> sidebar = findTarget(preview, TargetKind::Sidebar);
    ASSERT_TRUE(sidebar);
    click(preview, *sidebar);
    ASSERT_NE(preview->blockWindow(), nullptr);
    EXPECT_EQ(preview->blockWindow()->windowTitle(), QStringLiteral("Sidebar \"log\""));
    std::vector<PageLine> body = preview->blockWindow()->pane()->lines();
    ASSERT_FALSE(body.empty());
    ASSERT_FALSE(body.front().pieces.empty());
    EXPECT_EQ(body.front().pieces.front().text, "The keeper's log");
    EXPECT_EQ(body.front().pieces.front().style & kStyleBoldWeight, 0); // \b is the bold font, not the weight
    EXPECT_EQ(pageFont(body.front().pieces.front().style), kFontBold);

    std::optional<PageTarget> footnote = findTarget(preview, TargetKind::Footnote);
    ASSERT_TRUE(footnote);
    EXPECT_EQ(footnote->name, "board");
    click(preview, *footnote);
    ASSERT_NE(preview->blockWindow(), nullptr);
    EXPECT_EQ(preview->blockWindow()->windowTitle(), QStringLiteral("Footnote \"board\""));
    EXPECT_NE(preview->blockWindow()->pane()->lines().front().pieces.front().text.find("Board of Lights"),
              std::string::npos);
}

TEST_F(PreviewWindowTest, TheLargeFontKeepsTheTextInView) {
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    PagePane* pane = preview->pane();
    pane->setPage(6);
    uint32_t position = preview->book().view(ViewFont::Small).pages()[6].position;
    qobject_cast<QAbstractButton*>(preview->control(kLargeFontControl))->click();
    EXPECT_EQ(preview->font(), ViewFont::Large);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(preview->control(kLargeFontControl))->isChecked());
    const size_t large = preview->book().view(ViewFont::Large).pageOf(position);
    EXPECT_EQ(pane->page(), large);
    EXPECT_GT(large, 6u);
    EXPECT_EQ(preview->pageLabel()->text(), QStringLiteral("Page %1 of 14").arg(large + 1));
}

TEST_F(PreviewWindowTest, ExportPagesSavesTheCurrentPageOrAllAndReportsFailure) {
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    preview->pane()->setPage(4);
    ExportChooser::setNextChoice(ExportChoice{false, QString::fromStdString(folder.file("one"))});
    EXPECT_TRUE(preview->executeCommand(CmdExportPages));
    EXPECT_EQ(QDir(QString::fromStdString(folder.file("one"))).entryList(QDir::Files),
              QStringList{QStringLiteral("page-005.png")});
    EXPECT_EQ(QImage(QString::fromStdString(folder.file("one/page-005.png"))).size(), QSize(474, 444));

    ExportChooser::setNextChoice(ExportChoice{true, QString::fromStdString(folder.file("all"))});
    EXPECT_TRUE(preview->executeCommand(CmdExportPages));
    EXPECT_EQ(QDir(QString::fromStdString(folder.file("all"))).entryList(QDir::Files).size(), 10);
    EXPECT_FALSE(MessageBox::last());

    ExportChooser::setNextChoice(ExportChoice{true, QString::fromStdString(book)});
    MessageBox::setNextAnswer(MessageBoxAnswer::Ok);
    EXPECT_TRUE(preview->executeCommand(CmdExportPages));
    ASSERT_TRUE(MessageBox::last());
    EXPECT_EQ(MessageBox::last()->text,
              QStringLiteral("The folder \"%1\" could not be created.").arg(QString::fromStdString(book)));
}

TEST_F(PreviewWindowTest, AFileThatIsNoBookIsRefusedWithTheReason) {
    test::writeFile(folder.file("junk.tdb"), "not a book at all");
    application().send(nullptr, MsgInteractive);
    FileChooser::setNextChoice(QString::fromStdString(folder.file("junk.tdb")));
    CommandRecord preview(CmdPreviewBook);
    MessageBox::setNextAnswer(MessageBoxAnswer::Ok);
    application().send(nullptr, MsgExecute, &preview);
    EXPECT_EQ(openPreview(), nullptr);
    ASSERT_TRUE(MessageBox::last());
    EXPECT_TRUE(MessageBox::last()->text.startsWith(
        QStringLiteral("The file \"junk.tdb\" is not a book the reader can open: ")))
        << MessageBox::last()->text.toStdString();
}

TEST_F(PreviewWindowTest, AfterABuildTheNewBookCanBePreviewed) {
    application().send(nullptr, MsgStartup);
    application().send(nullptr, MsgInteractive);
    QAction* last = shell->menuBar().action(CmdPreviewLastBook);
    ASSERT_NE(last, nullptr);
    application().refresh();
    EXPECT_FALSE(last->isEnabled());
    drop({source("story.tml", "A Story", "Once upon a time.\n\\pThe end.\n")});
    run();
    EXPECT_EQ(shell->lastBook(), folder.file("story.tdb"));
    application().refresh();
    EXPECT_TRUE(last->isEnabled());
    last->trigger();
    test::processEvents();
    PreviewWindow* preview = openPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->path(), folder.file("story.tdb"));
    EXPECT_EQ(preview->pageLabel()->text(), QStringLiteral("Page 1 of 2"));
}

TEST_F(PreviewWindowTest, OnlyABatchThatWroteABookOffersToPreviewIt) {
    application().send(nullptr, MsgStartup);
    application().send(nullptr, MsgInteractive);
    MainWindow* main = shell->mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    const QSize plain = main->size();
    EXPECT_TRUE(main->previewButton()->isHidden());

    // A book given as a source is refused: the batch writes nothing.
    test::writeFile(folder.file("old.tdb"), "not a source");
    drop({folder.file("old.tdb")});
    run();
    EXPECT_TRUE(main->previewButton()->isHidden());
    ASSERT_NE(shell->logManager().window(), nullptr);
    EXPECT_TRUE(shell->logManager().window()->offeredActionButton()->isHidden());

    drop({source("story.tml", "A Story", "Once upon a time.\n\\pThe end.\n")});
    run();
    ASSERT_TRUE(main->previewButton()->isVisible());
    EXPECT_EQ(main->previewButton()->text(), QStringLiteral("Preview Book"));
    EXPECT_GT(main->height(), plain.height()); // the offer has a row of its own
    QTest::mouseClick(main->previewButton(), Qt::LeftButton);
    test::processEvents();
    PreviewWindow* preview = openPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->path(), folder.file("story.tdb"));
    preview->close();
    test::processEvents();

    // The log window (hidden after a clean build) offers the same book when it is brought up.
    QPushButton* logOffer = shell->logManager().window()->offeredActionButton();
    EXPECT_FALSE(logOffer->isHidden());
    EXPECT_EQ(logOffer->text(), QStringLiteral("Preview Book"));
    logOffer->click();
    test::processEvents();
    preview = openPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->path(), folder.file("story.tdb"));
    preview->close();
    test::processEvents();

    // A failed batch withdraws both offers: the book it names is not one just written.
    drop({folder.file("old.tdb")});
    run();
    EXPECT_TRUE(main->previewButton()->isHidden());
    EXPECT_EQ(main->size(), plain);
    EXPECT_TRUE(shell->logManager().window()->offeredActionButton()->isHidden());
}

// The README's picture of the window: QUILLERY_PREVIEW_SCREENSHOT=docs/quillery-preview-window.png writes it.
TEST_F(PreviewWindowTest, Screenshot) {
    const char* target = std::getenv("QUILLERY_PREVIEW_SCREENSHOT");
    if (!target) {
        GTEST_SKIP() << "QUILLERY_PREVIEW_SCREENSHOT names no file";
    }
    PreviewWindow* preview = openSample();
    ASSERT_NE(preview, nullptr);
    preview->pane()->setPage(2);
    test::processEvents();
    EXPECT_TRUE(preview->grab().save(QString::fromLocal8Bit(target), "PNG"));
}

} // namespace
} // namespace quillery
