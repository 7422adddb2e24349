#include "framework/application.h"

#include "framework/diagnostics.h"
#include "framework/dialog.h"
#include "framework/window.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>

namespace quillery {
namespace {

// One event per posted message; the message itself waits in the application's queue.
const QEvent::Type kDeliverEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

Application* theApplication = nullptr;

} // namespace

MessageTarget::~MessageTarget() {
    if (theApplication) {
        theApplication->forgetTarget(this);
    }
}

bool sendMessage(MessageTarget* target, MessageNumber number, MessageData* data) {
    for (MessageTarget* handler = target; handler; handler = handler->nextTarget()) {
        if (handler->handleMessage(number, data)) {
            return true;
        }
    }
    return false;
}

Application::Application(QString name, QString version, uint32_t signature)
    : Application(name, std::move(version), signature,
                  PreferencesStore::openForApplication(name.toStdString())) {}

Application::Application(QString name, QString version, uint32_t signature,
                         std::unique_ptr<PreferencesStore> preferences)
    : name_(std::move(name)), version_(std::move(version)), signature_(signature),
      preferences_(std::move(preferences)) {
    strings_ = std::make_unique<LocalStringManager>(*preferences_);
    theApplication = this;
    // Windows and message boxes without a caption of their own show this name, not the executable's.
    QGuiApplication::setApplicationDisplayName(name_);
}

Application::~Application() {
    // Undelivered data goes first; the string list writes its preference before the store closes.
    queue_.clear();
    strings_.reset();
    preferences_->flush();
    theApplication = nullptr;
}

Application* Application::instance() {
    return theApplication;
}

void Application::addHandler(MessageTarget* handler) {
    if (handler && std::find(handlers_.begin(), handlers_.end(), handler) == handlers_.end()) {
        handlers_.push_back(handler);
    }
}

void Application::removeHandler(MessageTarget* handler) {
    handlers_.erase(std::remove(handlers_.begin(), handlers_.end(), handler), handlers_.end());
}

bool Application::send(MessageTarget* target, MessageNumber number, MessageData* data) {
    return sendMessage(target ? target : this, number, data);
}

void Application::post(MessageTarget* target, MessageNumber number, std::unique_ptr<MessageData> data) {
    queue_.push_back({target ? target : this, number, std::move(data)});
    QCoreApplication::postEvent(this, new QEvent(kDeliverEvent));
}

bool Application::event(QEvent* event) {
    if (event->type() != kDeliverEvent) {
        return QObject::event(event);
    }
    if (queue_.empty()) {
        return true;
    }
    Posted message = std::move(queue_.front());
    queue_.pop_front();
    if (message.target) {
        sendMessage(message.target, message.number, message.data.get());
    }
    return true; // the data is destroyed here, after delivery
}

void Application::forgetTarget(MessageTarget* target) {
    removeHandler(target);
    for (Posted& message : queue_) {
        if (message.target == target) {
            message.target = nullptr;
        }
    }
}

void Application::addCommandAction(QAction* action, uint16_t command) {
    commandActions_.emplace_back(action, command);
    connect(action, &QAction::triggered, this, [this, command] {
        executeCommand(command);
        refresh();
    });
}

MessageTarget* Application::activeTarget() {
    if (auto* window = dynamic_cast<Window*>(QApplication::activeWindow())) {
        return window;
    }
    return this;
}

bool Application::executeCommand(uint16_t command) {
    CommandRecord record(command);
    return sendMessage(activeTarget(), MsgExecute, &record);
}

void Application::refresh() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = dynamic_cast<Window*>(widget);
        if (window && window->isVisible()) {
            window->refreshCommands();
        }
    }
    commandActions_.erase(std::remove_if(commandActions_.begin(), commandActions_.end(),
                                         [](const auto& entry) { return entry.first.isNull(); }),
                          commandActions_.end());
    MessageTarget* target = activeTarget();
    for (auto& [action, command] : commandActions_) {
        CommandRecord record(command);
        sendMessage(target, MsgUpdate, &record);
        action->setEnabled(record.enabled);
        if (action->isCheckable()) {
            action->setChecked(record.checked);
        }
    }
}

void Application::reportPreferencesNotSaved() {
    if (preferencesFailureReported_) {
        return;
    }
    preferencesFailureReported_ = true;
    reportWarning("The preferences could not be saved; the options you set apply until the program ends.");
}

int Application::metric(int n) {
    return n * QFontMetrics(QApplication::font()).averageCharWidth() / 2;
}

void Application::requestQuit(int exitCode) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<Window*>(widget)) {
            window->close();
        }
    }
    bool windowLeft = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        windowLeft = windowLeft || (dynamic_cast<Window*>(widget) && widget->isVisible());
    }
    if (!windowLeft) {
        QCoreApplication::exit(exitCode);
    }
}

bool Application::handleMessage(MessageNumber number, MessageData* data) {
    // A copy: a handler may add or remove handlers while it runs.
    std::vector<MessageTarget*> handlers = handlers_;
    for (MessageTarget* handler : handlers) {
        bool stillThere = std::find(handlers_.begin(), handlers_.end(), handler) != handlers_.end();
        if (stillThere && handler->handleMessage(number, data)) {
            return true;
        }
    }
    switch (number) {
    case MsgRefresh:
        refresh();
        return true;
    case MsgQuitRequest: {
        auto* quit = dynamic_cast<QuitRecord*>(data);
        if (quit && !quit->mayQuit) {
            return true;
        }
        requestQuit(quit ? quit->exitCode : 0);
        return true;
    }
    default:
        return false;
    }
}

} // namespace quillery
