// The main window with its drop zone, options, place and menus, and the Book Info dialog, on their own.
#include "shell_fixture.h"

#include "app/drop_zone.h"
#include "app/file_chooser.h"
#include "app/menu_bar.h"
#include "framework/program_pictures.h"
#include "framework/window_placement.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace quillery {
namespace {

// Records the MsgOpenFile posts of a drop.
class OpenFileRecorder : public MessageTarget {
  public:
    bool handleMessage(MessageNumber number, MessageData* data) override {
        auto* record = dynamic_cast<FileDropRecord*>(data);
        if (number == MsgOpenFile && record) {
            files.push_back(record->file.path() + " " + std::to_string(record->index) + "/" +
                            std::to_string(record->batchSize));
            return true;
        }
        return false;
    }
    std::vector<std::string> files;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        application = test::makeApplication(preferences);
        application->addHandler(&recorder);
    }
    void TearDown() override {
        delete window.data();
        test::processEvents();
        application.reset();
    }
    MainWindow* open() {
        window = new MainWindow(nullptr);
        window->present();
        return window;
    }
    QMimeData* files(const QStringList& paths) {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.append(QUrl::fromLocalFile(path));
        }
        data->setUrls(urls);
        return data;
    }
    // Enters the drop zone with the files; true when the drag was accepted.
    bool enter(QMimeData* data) {
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->dropZone(), &event);
        return event.isAccepted();
    }
    // A drop goes to the widget that took the drag's entry, as on a real screen.
    void dropOn(QMimeData* data) {
        enter(data);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->dropZone(), &event);
        test::processEvents();
    }
    QCheckBox* box(uint16_t number) { return qobject_cast<QCheckBox*>(window->control(number)); }
    bool storedBoolean(const char* name) {
        bool value = false;
        EXPECT_TRUE(application->preferences().getBoolean(name, value)) << name;
        return value;
    }

    MemoryPreferencesBackend preferences;
    std::unique_ptr<Application> application;
    OpenFileRecorder recorder;
    QPointer<MainWindow> window;
};

TEST_F(MainWindowTest, ControlsCarryTheirNumbersTextsAndOrder) {
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quillery"));
    EXPECT_EQ(window->objectName(), QStringLiteral("Quillery Window"));
    std::vector<std::pair<uint16_t, QString>> controls;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (controlNumber(child) != 0) {
            auto* button = qobject_cast<QAbstractButton*>(child);
            controls.emplace_back(controlNumber(child), button ? button->text() : QString());
        }
    }
    EXPECT_EQ(controls,
              (std::vector<std::pair<uint16_t, QString>>{{CmdQuit, "Quit"},
                                                         {CmdMakeBook, "Make Book..."},
                                                         {kDropZoneControl, ""},
                                                         {kOverwriteControl, "Overwrite existing file"},
                                                         {kPromptControl, "Prompt before overwriting"}}));
}

TEST_F(MainWindowTest, LayoutFollowsTheSizeRule) {
    open();
    const int margin = Application::metric(5);
    const int indent = Application::metric(8);
    const int spacing = Application::metric(2);
    QWidget* zone = window->dropZone();
    QWidget* overwrite = box(kOverwriteControl);
    QWidget* prompt = box(kPromptControl);
    QWidget* quit = window->control(CmdQuit);
    QWidget* make = window->control(CmdMakeBook);
    const QSize content = window->contentSize();
    EXPECT_EQ(zone->size(), QSize(266, 246));
    EXPECT_EQ(zone->x(), (content.width() - 266) / 2);
    EXPECT_EQ(zone->y(), margin);
    EXPECT_EQ(overwrite->pos(), QPoint(margin, margin + 246 + margin));
    EXPECT_EQ(prompt->pos(), QPoint(margin + indent, overwrite->y() + overwrite->height() + spacing));
    EXPECT_EQ(quit->size(), make->size());
    EXPECT_EQ(make->x(), (content.width() - margin - 2 * make->width()) / 2);
    EXPECT_EQ(quit->x(), make->x() + make->width() + margin);
    EXPECT_EQ(quit->y() + quit->height(), content.height() - margin);
    EXPECT_EQ(content.height(), 246 + margin + overwrite->height() + spacing + prompt->height() + margin +
                                    quit->height() + 2 * margin);
}

TEST_F(MainWindowTest, DropPostsOneMessagePerAcceptedFileAsABatch) {
    open();
    std::unique_ptr<QMimeData> mixed(files({"/books/Book.TML", "/books/notes.doc"}));
    dropOn(mixed.get());
    EXPECT_EQ(recorder.files, (std::vector<std::string>{"/books/Book.TML 0/1"}));
    recorder.files.clear();
    std::unique_ptr<QMimeData> three(files({"/books/a.txt", "/books/skip.bak", "/books/b.tml"}));
    dropOn(three.get());
    EXPECT_EQ(recorder.files, (std::vector<std::string>{"/books/a.txt 0/2", "/books/b.tml 1/2"}));
}

TEST_F(MainWindowTest, FileManagerUriListsAreDecodedToLocalPaths) {
    open();
    std::unique_ptr<QMimeData> data(new QMimeData);
    // What a Linux file manager offers: CR LF separated URIs, spaces escaped, and a comment line.
    data->setData(QStringLiteral("text/uri-list"),
                  "# dragged\r\nfile:///home/me/My%20Books/Sea%20Story.tml\r\nfile:///home/me/cover.png\r\n");
    dropOn(data.get());
    EXPECT_EQ(recorder.files, (std::vector<std::string>{"/home/me/My Books/Sea Story.tml 0/1"}));
}

TEST_F(MainWindowTest, FileUrisAreDecodedToTheBytesOfTheirNames) {
    open();
    std::unique_ptr<QMimeData> data(new QMimeData);
    data->setData(QStringLiteral("text/uri-list"), "file://localhost/books/host.tml\r\n"
                                                   "file:///books/caf%E9.tml\r\n"
                                                   "file:///books/one.tml%00.txt\r\n"
                                                   "file:///books/a%2Fb.tml\r\n"
                                                   "file:///books/caf%C3%A9.txt\r\n");
    dropOn(data.get());
    // A NUL or an escaped separator names no file: such names are left out.
    EXPECT_EQ(recorder.files, (std::vector<std::string>{"/books/host.tml 0/3", "/books/caf\xE9.tml 1/3",
                                                        "/books/caf\xC3\xA9.txt 2/3"}));
}

TEST_F(MainWindowTest, OnlyAcceptableDragsHighlightTheDropZone) {
    open();
    DropZone* zone = window->dropZone();
    std::unique_ptr<QMimeData> refused(files({"/books/notes.doc", "/books/archive.tml.bak"}));
    EXPECT_FALSE(enter(refused.get()));
    EXPECT_FALSE(zone->isHighlighted());
    dropOn(refused.get());
    EXPECT_TRUE(recorder.files.empty());

    std::unique_ptr<QMimeData> accepted(files({"/books/.txt"}));
    EXPECT_TRUE(enter(accepted.get()));
    EXPECT_TRUE(zone->isHighlighted());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(zone, &leave);
    EXPECT_FALSE(zone->isHighlighted());
}

TEST_F(MainWindowTest, DropZonePicturesAreBuiltIn) {
    QPixmap normal = programPicture(kDropZonePicture);
    QPixmap highlighted = programPicture(kDropZoneHighlightedPicture);
    EXPECT_EQ(normal.size(), QSize(266, 246));
    EXPECT_EQ(highlighted.size(), QSize(266, 246));
    EXPECT_NE(normal.toImage(), highlighted.toImage());
}

TEST_F(MainWindowTest, PromptIsEnabledOnlyWithOverwriteAndKeepsItsStoredState) {
    application->preferences().setBoolean("Prompt", true);
    open();
    EXPECT_FALSE(box(kOverwriteControl)->isChecked());
    EXPECT_FALSE(box(kPromptControl)->isEnabled());
    EXPECT_TRUE(box(kPromptControl)->isChecked());
    QTest::mouseClick(box(kOverwriteControl), Qt::LeftButton);
    EXPECT_TRUE(box(kOverwriteControl)->isChecked());
    EXPECT_TRUE(box(kPromptControl)->isEnabled());
    EXPECT_TRUE(box(kPromptControl)->isChecked());
}

TEST_F(MainWindowTest, TogglingAnOptionWritesBoth) {
    open();
    // Loading registered the defaults.
    EXPECT_FALSE(storedBoolean("Overwrite"));
    EXPECT_FALSE(storedBoolean("Prompt"));
    application->preferences().remove(0, "Prompt");
    QTest::mouseClick(box(kOverwriteControl), Qt::LeftButton);
    EXPECT_TRUE(storedBoolean("Overwrite"));
    EXPECT_FALSE(storedBoolean("Prompt"));
    EXPECT_FALSE(window->optionsChanged());
    QTest::mouseClick(box(kPromptControl), Qt::LeftButton);
    EXPECT_TRUE(storedBoolean("Prompt"));
}

TEST_F(MainWindowTest, ThePlaceIsRememberedAcrossRuns) {
    open();
    const QPoint place = window->pos() + QPoint(13, 7);
    window->move(place);
    window->close();
    test::processEvents();
    int32_t x = 0;
    int32_t y = 0;
    ASSERT_TRUE(application->preferences().getInteger("WindowPos.x", x));
    ASSERT_TRUE(application->preferences().getInteger("WindowPos.y", y));
    EXPECT_EQ(QPoint(x, y), place);

    application.reset();
    application = test::makeApplication(preferences);
    open();
    EXPECT_EQ(window->pos(), place);
}

TEST_F(MainWindowTest, APlaceOffEveryScreenIsNotUsed) {
    application->preferences().setInteger("WindowPos.x", -30000);
    application->preferences().setInteger("WindowPos.y", 40000);
    open();
    EXPECT_TRUE(isPlacementVisible(window->frameGeometry(), availableScreenAreas()));
    EXPECT_NE(window->pos(), QPoint(-30000, 40000));

    // So far out that the far edge does not fit in an int.
    delete window.data();
    application->preferences().setInteger("WindowPos.x", 2147483647);
    application->preferences().setInteger("WindowPos.y", 2147483647);
    open();
    EXPECT_TRUE(isPlacementVisible(window->frameGeometry(), availableScreenAreas()));
}

class BookInfoDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { application = test::makeApplication(); }
    void TearDown() override {
        if (dialog && !dialog->isFinished()) {
            delete dialog.data(); // a finished one goes with its completion message
        }
        test::processEvents();
        application.reset();
    }
    BookInfoDialog* open(const BookInfo& info) {
        dialog = new BookInfoDialog(info, application.get(), MsgBookInfoClosed);
        dialog->present();
        return dialog;
    }
    bool okEnabled() { return dialog->control(kCommandOk)->isEnabled(); }

    std::unique_ptr<Application> application;
    QPointer<BookInfoDialog> dialog;
};

TEST_F(BookInfoDialogTest, OkFollowsTheTitleFieldAndSpacesCount) {
    open(BookInfo{});
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Book Info"));
    EXPECT_FALSE(okEnabled());
    QTest::keyClick(dialog->field(kTitleField), Qt::Key_A);
    EXPECT_TRUE(okEnabled());
    QTest::keyClick(dialog->field(kTitleField), Qt::Key_Backspace);
    EXPECT_FALSE(okEnabled());
    QTest::keyClick(dialog->field(kTitleField), Qt::Key_Space);
    EXPECT_TRUE(okEnabled());
    // Enter is OK; it takes the fields and finishes with result 1.
    QTest::keyClick(dialog->field(kTitleField), Qt::Key_Return);
    EXPECT_TRUE(dialog->isFinished());
    EXPECT_EQ(dialog->bookInfo().title, WideString(u" "));
}

// Sees the result code of every finished dialog.
class ResultRecorder : public MessageTarget {
  public:
    bool handleMessage(MessageNumber number, MessageData* data) override {
        if (auto* result = dynamic_cast<DialogResult*>(data); number == MsgBookInfoClosed && result) {
            codes.push_back(result->code);
            return true;
        }
        return false;
    }
    std::vector<int> codes;
};

TEST_F(BookInfoDialogTest, ReturnPressesTheFocusedButton) {
    ResultRecorder recorder;
    application->addHandler(&recorder);
    BookInfo named;
    named.title = u"Named";
    open(named);
    QWidget* cancel = dialog->control(kCommandCancel);
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_TRUE(dialog->isFinished());
    test::processEvents();
    EXPECT_EQ(recorder.codes, std::vector<int>{2});

    open(named);
    QWidget* ok = dialog->control(kCommandOk);
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Enter);
    test::processEvents();
    EXPECT_EQ(recorder.codes, (std::vector<int>{2, 1}));
    application->removeHandler(&recorder);
}

TEST_F(BookInfoDialogTest, FieldsShowTheBookInfoAndAreWrittenBackInTheirOrder) {
    BookInfo info;
    info.title = u"Title";
    info.author = u"Author";
    info.publisher = u"Publisher";
    info.copyright = u"(c) 2003";
    info.isbn = u"123";
    open(info);
    EXPECT_EQ(dialog->field(kTitleField)->selectedText(), QStringLiteral("Title"));
    EXPECT_EQ(dialog->field(kCopyrightField)->text(), QStringLiteral("(c) 2003"));
    EXPECT_EQ(dialog->field(kIsbnField)->text(), QStringLiteral("123"));
    dialog->field(kIsbnField)->setText(QStringLiteral("978"));
    dialog->field(kAuthorField)->setText(QStringLiteral("Other"));
    qobject_cast<QAbstractButton*>(dialog->control(kCommandCancel))->click();
    EXPECT_TRUE(dialog->isFinished());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->bookInfo().isbn, WideString(u"978"));
    EXPECT_EQ(dialog->bookInfo().author, WideString(u"Other"));
    EXPECT_EQ(dialog->bookInfo().copyright, WideString(u"(c) 2003"));
}

TEST_F(BookInfoDialogTest, LayoutPutsTheButtonsBottomRightAndTheLabelsOnOneEdge) {
    open(BookInfo{});
    const int margin = Application::metric(5);
    QWidget* ok = dialog->control(kCommandOk);
    QWidget* cancel = dialog->control(kCommandCancel);
    EXPECT_EQ(cancel->geometry().right() + 1, dialog->width() - margin);
    EXPECT_EQ(cancel->geometry().bottom() + 1, dialog->height() - margin);
    EXPECT_EQ(ok->x() + ok->width() + margin, cancel->x());
    EXPECT_EQ(ok->size(), cancel->size());
    QWidget* title = dialog->control(kTitleLabel);
    QWidget* required = dialog->control(kRequiredLabel);
    for (uint16_t label = kTitleLabel; label < kTitleLabel + 5; ++label) {
        EXPECT_EQ(dialog->control(label)->geometry().right(), title->geometry().right());
    }
    EXPECT_EQ(required->geometry().right(), title->geometry().right());
    EXPECT_EQ(required->y(), title->y() + title->height());
    EXPECT_GE(dialog->field(kTitleField)->width(),
              30 * QFontMetrics(dialog->field(kTitleField)->font()).horizontalAdvance(QLatin1Char('x')));
}

class MenuShortcutTest : public test::ShellTest {};

TEST_F(MenuShortcutTest, MenuBarShowsFileAndEditAndCtrlOOpensTheChooser) {
    application().send(nullptr, MsgStartup);
    MainWindow* window = shell->mainWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* menu : bar->actions()) {
        titles << menu->text();
    }
    EXPECT_EQ(titles, (QStringList{"File", "Edit"}));

    application().send(nullptr, MsgInteractive);
    FileChooser::setNextChoice(QString::fromStdString(source("keyed.tml")));
    QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
    run();
    EXPECT_TRUE(test::fileExists(folder.file("keyed.tdb")));
}

TEST_F(MenuShortcutTest, StartupOpensOneMainWindowAndQuitEndsIt) {
    application().send(nullptr, MsgStartup);
    QPointer<MainWindow> first = shell->mainWindow();
    const QPoint moved = first->pos() + QPoint(5, 5);
    first->move(moved);
    CommandRecord again(CmdNewWindow);
    application().send(nullptr, MsgExecute, &again);
    EXPECT_EQ(shell->mainWindow(), first.data());
    EXPECT_EQ(first->pos(), moved); // brought to the front where it is
    qobject_cast<QAbstractButton*>(first->control(CmdQuit))->click();
    test::processEvents();
    EXPECT_EQ(quitWatcher.quitRequests, 1);
    EXPECT_TRUE(first.isNull());
}

} // namespace
} // namespace quillery
