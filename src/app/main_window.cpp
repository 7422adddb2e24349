#include "app/main_window.h"

#include "app/drop_zone.h"
#include "app/menu_bar.h"
#include "app/shell_messages.h"
#include "framework/dialog.h"
#include "framework/window_placement.h"

#include <QApplication>
#include <QMenuBar>
#include <QVBoxLayout>

#include <algorithm>

namespace quillery {

MainWindow::MainWindow(const MenuBar* menus, QWidget* parent) : Window(parent) {
    setObjectName(QStringLiteral("Quillery Window"));
    Application* application = Application::instance();
    setWindowTitle(application ? application->name() : QStringLiteral("Quillery"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (menus) {
        column->setMenuBar(menus->createFor(this));
    }
    auto* content = new QWidget(this);
    column->addWidget(content);

    quit_ = new CommandButton(QStringLiteral("Quit"), CmdQuit, content);
    makeBook_ = new CommandButton(QStringLiteral("Make Book..."), CmdMakeBook, content);
    dropZone_ = new DropZone(application ? application->version() : QString(), content);
    overwriteBox_ =
        new CommandCheckBox(QStringLiteral("Overwrite existing file"), kOverwriteControl, content);
    promptBox_ = new CommandCheckBox(QStringLiteral("Prompt before overwriting"), kPromptControl, content);
    preview_ = new QPushButton(QStringLiteral("Preview Book"), content);
    preview_->hide();
    connect(preview_, &QPushButton::clicked, this, [] {
        if (Application* application = Application::instance()) {
            CommandRecord record(CmdPreviewLastBook);
            application->send(nullptr, MsgExecute, &record);
        }
    });
    layOut(content);
    layout()->activate();
    setFixedSize(sizeHint());
    move(centredOnScreen(frameGeometry().size()));

    loadOptions();
    if (application) {
        application->send(nullptr, MsgRefresh);
    }
}

void MainWindow::layOut(QWidget* content) {
    const int margin = Application::metric(5);
    const int indent = Application::metric(8);
    const int spacing = Application::metric(2);
    const QSize dz = dropZone_->sizeHint();
    const QSize ow = overwriteBox_->sizeHint();
    const QSize pr = promptBox_->sizeHint();
    const QSize b(std::max(quit_->sizeHint().width(), makeBook_->sizeHint().width()),
                  quit_->sizeHint().height());

    const int width =
        std::max({dz.width(), ow.width(), pr.width() + indent, 2 * b.width() + margin}) + 2 * margin;
    const QSize pv = preview_->sizeHint();
    const int previewRow = preview_->isHidden() ? 0 : pv.height() + margin;
    const int height = dz.height() + margin + ow.height() + spacing + pr.height() + margin + previewRow +
                       b.height() + 2 * margin;
    contentSize_ = QSize(width, height);

    dropZone_->move((width - dz.width()) / 2, margin);
    overwriteBox_->setGeometry(margin, dropZone_->y() + dz.height() + margin, ow.width(), ow.height());
    promptBox_->setGeometry(margin + indent, overwriteBox_->y() + ow.height() + spacing, pr.width(),
                            pr.height());
    preview_->setGeometry((width - pv.width()) / 2, promptBox_->y() + pr.height() + margin, pv.width(),
                          pv.height());
    const int buttonTop = height - margin - b.height();
    makeBook_->setGeometry((width - margin - 2 * b.width()) / 2, buttonTop, b.width(), b.height());
    quit_->setGeometry(makeBook_->x() + b.width() + margin, buttonTop, b.width(), b.height());
    content->setFixedSize(contentSize_);
}

void MainWindow::setPreviewOffered(bool offered) {
    if (offered == !preview_->isHidden()) {
        return;
    }
    preview_->setVisible(offered);
    layOut(preview_->parentWidget());
    layout()->activate();
    setFixedSize(sizeHint());
}

void MainWindow::present() {
    Application* application = Application::instance();
    int32_t x = 0;
    int32_t y = 0;
    bool remembered = application && application->preferences().exists(0, kWindowXPreference) &&
                      application->preferences().exists(0, kWindowYPreference) &&
                      application->preferences().getInteger(kWindowXPreference, x) &&
                      application->preferences().getInteger(kWindowYPreference, y);
    // A place on a screen that is gone would hide the window: it is centred instead.
    QPoint place(x, y);
    if (!remembered || !isPlacementVisible(place, frameGeometry().size(), availableScreenAreas())) {
        place = centredOnScreen(frameGeometry().size());
    }
    move(place);
    show();
    raise();
    activateWindow();
}

void MainWindow::loadOptions() {
    if (Application* application = Application::instance()) {
        PreferencesStore& preferences = application->preferences();
        preferences.defaultBoolean(kOverwritePreference, false);
        preferences.defaultBoolean(kPromptPreference, false);
        preferences.getBoolean(kOverwritePreference, overwrite_);
        preferences.getBoolean(kPromptPreference, prompt_);
    }
    changed_ = false;
}

void MainWindow::saveOptions() {
    if (Application* application = Application::instance()) {
        PreferencesStore& preferences = application->preferences();
        const int failures = preferences.storageFailures();
        preferences.setBoolean(kOverwritePreference, overwrite_);
        preferences.setBoolean(kPromptPreference, prompt_);
        // The boxes still hold for this run (the build follows them); only keeping them failed.
        if (preferences.storageFailures() != failures) {
            application->reportPreferencesNotSaved();
        }
    }
    changed_ = false;
}

void MainWindow::rememberPlace() {
    if (Application* application = Application::instance()) {
        application->preferences().setInteger(kWindowXPreference, pos().x());
        application->preferences().setInteger(kWindowYPreference, pos().y());
    }
}

bool MainWindow::mayClose() {
    CommandRecord quit(CmdQuit);
    if (!sendMessage(this, MsgUpdate, &quit) || quit.enabled) {
        return true;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (dynamic_cast<Dialog*>(widget) && widget->isVisible()) {
            widget->raise();
            widget->activateWindow();
        }
    }
    return false;
}

bool MainWindow::handleMessage(MessageNumber number, MessageData* data) {
    if (number == MsgCloseWindow) {
        rememberPlace();
        return false; // others may watch the close too
    }
    auto* record = dynamic_cast<CommandRecord*>(data);
    if (!record) {
        return Window::handleMessage(number, data);
    }
    if (number == MsgExecute && (record->command == kOverwriteControl || record->command == kPromptControl)) {
        bool& option = record->command == kOverwriteControl ? overwrite_ : prompt_;
        option = !option;
        changed_ = true;
        saveOptions();
        if (Application* application = Application::instance()) {
            application->send(nullptr, MsgRefresh);
        }
        return true;
    }
    if (number == MsgUpdate) {
        switch (record->command) {
        case kDropZoneControl:
            record->enabled = true;
            return true;
        case kOverwriteControl:
            record->enabled = true;
            record->checked = overwrite_;
            return true;
        case kPromptControl:
            record->enabled = overwrite_;
            record->checked = prompt_;
            return true;
        default:
            break;
        }
    }
    return Window::handleMessage(number, data);
}

} // namespace quillery
