#include "desktop_test_support.h"
#include "framework/log_manager.h"
#include "framework/program_pictures.h"
#include "framework/window_placement.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

namespace quillery {
namespace {

class LogWindowTest : public ::testing::Test {
  protected:
    std::unique_ptr<LogManager> makeManager() {
        stores.push_back(
            std::make_unique<PreferencesStore>(std::make_unique<test::BorrowedPreferences>(values)));
        return std::make_unique<LogManager>("Quillery", stores.back().get());
    }
    void SetUp() override { manager = makeManager(); }
    void TearDown() override {
        manager.reset();
        test::processEvents();
    }
    LogEntry entry(int level, const char* text) { return LogEntry{level, QString::fromUtf8(text), {}, 0, 0}; }
    QPoint centre(QSize size) {
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        return {screen.x() + (screen.width() - size.width()) / 2,
                screen.y() + (screen.height() - size.height()) / 2};
    }

    MemoryPreferencesBackend values;
    // Each manager's store, kept for the whole test (a store must outlive its manager).
    std::vector<std::unique_ptr<PreferencesStore>> stores;
    std::unique_ptr<LogManager> manager;
};

TEST_F(LogWindowTest, TheFirstNoteCreatesAHiddenWindowAndAWarningShowsBothEntries) {
    manager->installChannelHandlers();
    reportNote("Writing book <%s> from file <%s>...", "Lighthouse", "lighthouse.tml");
    ASSERT_NE(nullptr, manager->window());
    EXPECT_FALSE(manager->window()->isVisible());
    EXPECT_EQ(QString("Quillery Errors"), manager->window()->windowTitle());
    EXPECT_EQ(1, manager->window()->entryList()->count());

    reportWarning("The Euro symbol may not be on all Tarn OS devices");
    LogEntryList* list = manager->window()->entryList();
    EXPECT_TRUE(manager->window()->isVisible());
    ASSERT_EQ(2, list->count());
    EXPECT_EQ(0, list->entry(0).level);
    EXPECT_EQ(QString("Writing book <Lighthouse> from file <lighthouse.tml>..."), list->entry(0).text);
    EXPECT_EQ(1, list->entry(1).level);
    reportError("The input file \"%s\" could not be opened.", "caf\xC3\xA9.tml");
    EXPECT_EQ(2, list->entry(2).level);
    EXPECT_EQ(QString::fromUtf8("The input file \"caf\xC3\xA9.tml\" could not be opened."),
              list->entry(2).text);
    reportWarning("Unmappable character in string \"%s\"", "na\xEFve");
    EXPECT_EQ(QString::fromUtf8("Unmappable character in string \"na\xC3\xAFve\""), list->entry(3).text);
    manager.reset(); // the channels go back to standard output with it
    EXPECT_EQ(0, errorHandler()(Report{ReportLevel::Error, "", std::nullopt}));
}

TEST_F(LogWindowTest, AClosedWindowIsReplacedByANewOneWithTheNextEntryAlone) {
    manager->addEntry(entry(2, "first error"), true);
    QPointer<LogWindow> first = manager->window();
    ASSERT_TRUE(first);
    first->close(); // the close box
    test::processEvents();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(nullptr, manager->window());

    manager->addEntry(entry(2, "second error"), true);
    ASSERT_NE(nullptr, manager->window());
    EXPECT_TRUE(manager->window()->isVisible());
    ASSERT_EQ(1, manager->window()->entryList()->count());
    EXPECT_EQ(QString("second error"), manager->window()->entryList()->entry(0).text);

    QPointer<LogWindow> second = manager->window();
    manager->close();
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(nullptr, manager->window());
    manager->close(); // nothing left to close
}

TEST_F(LogWindowTest, RowsAreOneLineHighAndAnExcerptKeepsItsLineEndsAsMarks) {
    manager->addEntry(entry(0, "one line"), false);
    manager->addEntry(entry(1, "Unmappable character in string \"a\r\nb\nc\rd\""), false);
    manager->addEntry(entry(2, "An error occurred reading the file /x.\n"), false);
    LogEntryList* list = manager->window()->entryList();
    int line = list->lineHeight();
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(std::max(line, 16) + 6, list->rowHeight(row));
    }
    // CR LF, LF and CR inside the message are one mark each; the line end that closes it is left out.
    EXPECT_EQ(QString::fromUtf8("Unmappable character in string \"a\u21B5b\u21B5c\u21B5d\""),
              list->shownText(1));
    EXPECT_EQ(QString("An error occurred reading the file /x."), list->shownText(2));
    EXPECT_EQ(QString("An error occurred reading the file /x.\n"), list->entry(2).text);
    EXPECT_EQ(list->rowHeight(0), list->rowTop(1));
    EXPECT_EQ(list->rowTop(2) + list->rowHeight(2), list->totalHeight());
    int widest = QFontMetrics(list->font()).horizontalAdvance(list->shownText(1));
    EXPECT_EQ(widest + 22, list->contentWidth());
}

TEST_F(LogWindowTest, TheWindowOpensAt512By384CentredAndLaterRunsRestoreItsPlace) {
    manager->addEntry(entry(1, "warning"), true);
    LogWindow* window = manager->window();
    EXPECT_EQ(QSize(512, 384), window->size());
    EXPECT_EQ(centre(QSize(512, 384)), window->pos());

    window->move(40, 50);
    window->resize(300, 200);
    manager->close();
    int32_t x = 0, y = 0, width = 0, height = 0;
    PreferencesStore store(std::make_unique<test::BorrowedPreferences>(values));
    EXPECT_TRUE(store.getInteger("LogManager.WindowPos.x", x));
    EXPECT_TRUE(store.getInteger("LogManager.WindowPos.y", y));
    EXPECT_TRUE(store.getInteger("LogManager.WindowPos.width", width));
    EXPECT_TRUE(store.getInteger("LogManager.WindowPos.height", height));
    EXPECT_EQ(QRect(40, 50, 300, 200), QRect(x, y, width, height));

    // The next run.
    manager = makeManager();
    manager->addEntry(entry(2, "error"), true);
    EXPECT_EQ(QPoint(40, 50), manager->window()->pos());
    EXPECT_EQ(QSize(300, 200), manager->window()->size());
}

TEST_F(LogWindowTest, APlaceOffEveryScreenOrAHalfStoredSizeIsNotUsed) {
    PreferencesStore store(std::make_unique<test::BorrowedPreferences>(values));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.x", 30000));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.y", 20));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.width", 400));
    manager->addEntry(entry(2, "error"), true);
    EXPECT_EQ(QSize(512, 384), manager->window()->size());
    EXPECT_EQ(centre(QSize(512, 384)), manager->window()->pos());

    QList<QRect> screens{QRect(0, 0, 800, 600), QRect(800, 0, 1024, 768)};
    EXPECT_TRUE(isPlacementVisible(QRect(900, 700, 512, 384), screens));
    EXPECT_TRUE(isPlacementVisible(QRect(-400, -10, 512, 384), screens));
    EXPECT_FALSE(isPlacementVisible(QRect(1800, 0, 512, 384), screens)); // 24 pixels of it on screen
    EXPECT_FALSE(isPlacementVisible(QRect(0, 700, 512, 384), screens));  // below the first screen
    EXPECT_FALSE(isPlacementVisible(QRect(-2000, -2000, 512, 384), screens));
    EXPECT_TRUE(isPlacementVisible(QRect(790, 590, 10, 10), screens));
}

TEST_F(LogWindowTest, StartingABatchEmptiesTheListButDoesNotMoveShowOrHideTheWindow) {
    manager->addEntry(entry(1, "warning"), true);
    LogWindow* window = manager->window();
    window->move(60, 70);
    for (int i = 0; i < 60; ++i) {
        manager->addEntry(entry(0, "a note that takes up some room in the list of the log window"), false);
    }
    window->verticalScrollBar()->setValue(200);
    window->entryList()->selectRow(3);
    manager->clear();
    EXPECT_EQ(0, window->entryList()->count());
    EXPECT_EQ(-1, window->entryList()->selectedRow());
    EXPECT_EQ(0, window->verticalScrollBar()->value());
    EXPECT_EQ(0, window->horizontalScrollBar()->value());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QPoint(60, 70), window->pos());
    EXPECT_EQ(QSize(512, 384), window->size());

    window->hide();
    manager->clear();
    EXPECT_FALSE(window->isVisible());
    manager->addEntry(entry(0, "note"), false);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(LogWindowTest, TheListAndTheScrollBarsLeaveTheCornerSquareEmpty) {
    manager->addEntry(entry(0, "note"), true);
    LogWindow* window = manager->window();
    int s = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
    EXPECT_EQ(QRect(0, 0, 512 - s, 384 - s), window->entryList()->geometry());
    EXPECT_EQ(QRect(512 - s, 0, s, 384 - s), window->verticalScrollBar()->geometry());
    EXPECT_EQ(QRect(0, 384 - s, 512 - s, s), window->horizontalScrollBar()->geometry());
    EXPECT_EQ(window->entryList(), window->control(LogWindow::kEntryList));
    EXPECT_EQ(window->horizontalScrollBar(), window->control(LogWindow::kHorizontalScrollBar));
    EXPECT_EQ(window->verticalScrollBar(), window->control(LogWindow::kVerticalScrollBar));
    EXPECT_EQ(QString("CPPLogWindow"), window->objectName());
}

TEST_F(LogWindowTest, AnOfferedActionTakesAStripBelowTheListUntilTheNextClear) {
    manager->offerAction("Open", [] {}); // no window yet: nothing to offer in
    manager->addEntry(entry(0, "note"), true);
    LogWindow* window = manager->window();
    QPushButton* button = window->offeredActionButton();
    EXPECT_TRUE(button->isHidden());
    const QRect fullList = window->entryList()->geometry();

    int clicks = 0;
    manager->offerAction("Open Book", [&clicks] { ++clicks; });
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(QString("Open Book"), button->text());
    // The list and the bottom scroll bar move up to make room; the button sits in the bottom-right corner.
    const QRect list = window->entryList()->geometry();
    EXPECT_LT(list.height(), fullList.height());
    EXPECT_EQ(list.bottom() + 1, window->horizontalScrollBar()->y());
    EXPECT_LE(window->horizontalScrollBar()->geometry().bottom(), button->y());
    EXPECT_LE(button->geometry().bottom(), window->height() - 1);
    EXPECT_LE(button->geometry().right(), window->width() - 1);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(1, clicks);

    manager->clear();
    EXPECT_TRUE(button->isHidden());
    EXPECT_EQ(fullList, window->entryList()->geometry());
}

TEST_F(LogWindowTest, ScrollBarsCoverAllRowsAndScrollByLines) {
    manager->addEntry(entry(0, "note"), true);
    LogWindow* window = manager->window();
    LogEntryList* list = window->entryList();
    for (int i = 0; i < 100; ++i) {
        manager->addEntry(entry(0,
                                "a note wider than the window: ............................................"
                                "..............................................................."),
                          false);
    }
    QScrollBar* vertical = window->verticalScrollBar();
    EXPECT_EQ(list->totalHeight() - list->height(), vertical->maximum());
    EXPECT_EQ(list->contentWidth() - list->width(), window->horizontalScrollBar()->maximum());
    EXPECT_EQ(22, vertical->singleStep());
    vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(22, vertical->value());
    vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(22, vertical->value());
    // The view follows the bar: row 0 starts 22 pixels above the list now.
    EXPECT_EQ(1, list->rowAt(QPoint(5, list->rowHeight(0) - 22)));
}

TEST_F(LogWindowTest, ClicksAndArrowKeysSelectRowsAndScrollThemIntoView) {
    manager->addEntry(entry(2, "error"), true);
    LogEntryList* list = manager->window()->entryList();
    for (int i = 0; i < 49; ++i) {
        manager->addEntry(entry(0, "note"), false);
    }
    EXPECT_EQ(-1, list->selectedRow());
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(0, list->selectedRow());
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(0, list->selectedRow()); // stops at the first row

    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(40, list->rowTop(2) + 2));
    EXPECT_EQ(2, list->selectedRow());
    list->selectRow(-1);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(49, list->selectedRow()); // from none, up is the last row
    QScrollBar* vertical = manager->window()->verticalScrollBar();
    EXPECT_EQ(vertical->maximum(), vertical->value());
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(49, list->selectedRow());
    list->selectRow(0);
    EXPECT_EQ(0, vertical->value());
}

TEST_F(LogWindowTest, AClickBelowTheLastRowKeepsTheSelection) {
    manager->addEntry(entry(2, "error"), true);
    LogEntryList* list = manager->window()->entryList();
    list->selectRow(0);
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(40, list->height() - 5));
    EXPECT_EQ(0, list->selectedRow());
}

TEST_F(LogWindowTest, RowsArePaintedWithIconTextAndAGreyBottomLine) {
    manager->addEntry(entry(2, "error"), true);
    manager->addEntry(entry(1, "warning"), false);
    LogEntryList* list = manager->window()->entryList();
    list->selectRow(1);
    QImage image = list->grab().toImage();
    int bottom = list->rowHeight(0) - 1;
    EXPECT_EQ(QColor(192, 192, 192), image.pixelColor(100, bottom));
    EXPECT_EQ(list->palette().color(QPalette::Base), image.pixelColor(image.width() - 2, 1));
    EXPECT_EQ(list->palette().color(QPalette::Highlight), image.pixelColor(image.width() - 2, bottom + 2));
    // The stop hand is red in the middle of the icon's left half.
    QColor icon = image.pixelColor(3 + 2, 3 + 8);
    EXPECT_GT(icon.red(), 150);
    EXPECT_LT(icon.green(), 100);

    // Scrolled down by one line step, every row is painted that much higher.
    for (int i = 0; i < 40; ++i) {
        manager->addEntry(entry(0, "note"), false);
    }
    manager->window()->verticalScrollBar()->setValue(22);
    image = list->grab().toImage();
    int secondBottom = list->rowTop(1) + list->rowHeight(1) - 1 - 22;
    EXPECT_EQ(QColor(192, 192, 192), image.pixelColor(100, secondBottom));
    EXPECT_EQ(list->palette().color(QPalette::Highlight),
              image.pixelColor(image.width() - 2, secondBottom - 2));
}

TEST_F(LogWindowTest, TheLevelIconsAre16By16Pictures) {
    for (int number : {kErrorIconPicture, kWarningIconPicture, kNoteIconPicture}) {
        QPixmap picture = programPicture(number);
        ASSERT_FALSE(picture.isNull()) << number;
        EXPECT_EQ(QSize(16, 16), picture.size());
    }
    EXPECT_TRUE(programPicture(1).isNull());
}

TEST_F(LogWindowTest, AStoredSizeIsClampedToTheScreenAndHugePlacesAreNotUsed) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    PreferencesStore store(std::make_unique<test::BorrowedPreferences>(values));
    for (int32_t stored : {16777215, 3000}) {
        ASSERT_TRUE(store.setInteger("LogManager.WindowPos.x", screen.x()));
        ASSERT_TRUE(store.setInteger("LogManager.WindowPos.y", screen.y()));
        ASSERT_TRUE(store.setInteger("LogManager.WindowPos.width", stored));
        ASSERT_TRUE(store.setInteger("LogManager.WindowPos.height", stored));
        manager = makeManager();
        manager->addEntry(entry(2, "error"), true);
        EXPECT_EQ(screen.size(), manager->window()->size()) << stored;
        EXPECT_EQ(screen.topLeft(), manager->window()->pos()) << stored;
        manager->close();
    }
    // A corner so far out that the far edge does not fit in an int.
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.x", 2147483647));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.y", 2147483647));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.width", 300));
    ASSERT_TRUE(store.setInteger("LogManager.WindowPos.height", 200));
    manager = makeManager();
    manager->addEntry(entry(2, "error"), true);
    EXPECT_EQ(QSize(300, 200), manager->window()->size());
    EXPECT_EQ(centre(QSize(300, 200)), manager->window()->pos());

    QList<QRect> screens{QRect(0, 0, 800, 600)};
    EXPECT_FALSE(isPlacementVisible(QPoint(2147483647, 0), QSize(512, 384), screens));
    EXPECT_FALSE(isPlacementVisible(QPoint(0, 2147483600), QSize(512, 384), screens));
    EXPECT_FALSE(isPlacementVisible(QPoint(-2147483647 - 1, 0), QSize(16777215, 384), screens));
    EXPECT_TRUE(isPlacementVisible(QPoint(-16777000, 10), QSize(16777215, 384), screens));
    EXPECT_TRUE(isPlacementVisible(QPoint(700, 500), QSize(512, 384), screens));
}

TEST_F(LogWindowTest, RowsShowTheFileAndPlaceOfAReportBesideItsText) {
    manager->installChannelHandlers();
    manager->setSourceName(QStringLiteral("story.tml"));
    errorHandler()(Report{ReportLevel::Error, "Illegal control code \"\\z\"", SourcePlace{3, 14}});
    warningHandler()(Report{ReportLevel::Warning, "No place for this one", std::nullopt});
    manager->setSourceName(QString());
    errorHandler()(Report{ReportLevel::Error, "After the build", SourcePlace{1, 1}});
    LogEntryList* list = manager->window()->entryList();
    ASSERT_EQ(3, list->count());
    // The message keeps its own text; the place is kept beside it.
    EXPECT_EQ(QString("Illegal control code \"\\z\""), list->entry(0).text);
    EXPECT_EQ(QString("story.tml"), list->entry(0).file);
    EXPECT_EQ(3u, list->entry(0).line);
    EXPECT_EQ(14u, list->entry(0).column);
    EXPECT_EQ(QString("story.tml:3:14"), list->placeText(0));
    EXPECT_EQ(QString(), list->placeText(1));
    EXPECT_EQ(QString("1:1"), list->placeText(2));
    int place = QFontMetrics(list->font()).horizontalAdvance(list->placeText(0));
    EXPECT_GT(list->contentWidth(),
              22 + place + QFontMetrics(list->font()).horizontalAdvance(list->entry(0).text));
    manager.reset();
}

TEST_F(LogWindowTest, SelectedRowsAreCopiedWithTheirPlaceAndLevel) {
    manager->addEntry(LogEntry{2, "Illegal tag", "story.tml", 3, 14}, true);
    manager->addEntry(entry(1, "A warning"), false);
    manager->addEntry(entry(0, "Done.\n"), false);
    LogEntryList* list = manager->window()->entryList();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("before");
    // Nothing selected: nothing to copy.
    std::unique_ptr<QMenu> menu(list->createContextMenu());
    ASSERT_EQ(1, menu->actions().size());
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QString("before"), clipboard->text());

    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(40, list->rowTop(0) + 2));
    QTest::mouseClick(list, Qt::LeftButton, Qt::ShiftModifier, QPoint(40, list->rowTop(1) + 2));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QString("story.tml:3:14: error: Illegal tag\nwarning: A warning\n"), clipboard->text());

    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(2, list->selectedRow());
    menu.reset(list->createContextMenu());
    EXPECT_EQ(QString("Copy"), menu->actions()[0]->text());
    ASSERT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[0]->trigger();
    EXPECT_EQ(QString("note: Done.\n"), clipboard->text());

    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QString("story.tml:3:14: error: Illegal tag\nwarning: A warning\nnote: Done.\n"),
              clipboard->text());
}

TEST_F(LogWindowTest, AWindowWithoutTitleOrKeyNameIsCalledLogWindowAndRemembersNothing) {
    PreferencesStore store(std::make_unique<test::BorrowedPreferences>(values));
    auto* window = new LogWindow(QString(), QString(), &store);
    EXPECT_EQ(QString("Log Window"), window->windowTitle());
    window->show();
    window->move(10, 10);
    window->close();
    test::processEvents();
    EXPECT_TRUE(values.values.empty());
}

} // namespace
} // namespace quillery
