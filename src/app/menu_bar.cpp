#include "app/menu_bar.h"

#include "app/shell_messages.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace quillery {
namespace {

constexpr uint32_t kCtrlEntry = 168;
constexpr uint32_t kShiftEntry = 169;
constexpr uint32_t kAltEntry = 170;
constexpr uint32_t kDeleteKeyEntry = 272;

QString entry(LocalStringManager& strings, uint32_t number) {
    const WideString* text = strings.get(number);
    return text ? QString::fromStdU16String(text->text()) : QString();
}

} // namespace

const std::vector<Menu>& applicationMenus() {
    static const std::vector<Menu> menus = {
        {107,
         CmdFileMenu,
         {{109, 'O', kModifierCtrl, CmdMakeBook},
          {0, 'P', kModifierCtrl, CmdPreviewBook, "Preview Book..."},
          {0, 'P', kModifierCtrl | kModifierShift, CmdPreviewLastBook, "Preview Last Book"},
          {0, 'E', kModifierCtrl, CmdExportPages, "Export Pages..."},
          {112, 0, 0, CmdClose},
          {0, 0, 0, 0},
          {121, 0, 0, CmdQuit}}},
        {123,
         CmdEditMenu,
         {{124, 'Z', kModifierCtrl, CmdUndo},
          {0, 0, 0, 0},
          {126, 'X', kModifierCtrl, CmdCut},
          {127, 'C', kModifierCtrl, CmdCopy},
          {128, 'V', kModifierCtrl, CmdPaste},
          {129, kKeyDelete, 0, CmdDelete},
          {0, 0, 0, 0},
          {132, 'G', kModifierCtrl, CmdPreferences}}},
    };
    return menus;
}

QString menuItemText(LocalStringManager& strings, const MenuItem& item) {
    QString text = item.text ? QString::fromUtf8(item.text) : entry(strings, item.stringEntry);
    if (item.key == 0) {
        return text;
    }
    text += QLatin1Char('\t');
    if (item.modifiers & kModifierCtrl) {
        text += entry(strings, kCtrlEntry) + QLatin1Char('+');
    }
    if (item.modifiers & kModifierShift) {
        text += entry(strings, kShiftEntry) + QLatin1Char('+');
    }
    if (item.modifiers & kModifierAlt) {
        text += entry(strings, kAltEntry) + QLatin1Char('+');
    }
    text += item.key == kKeyDelete ? entry(strings, kDeleteKeyEntry) : QString(QLatin1Char(char(item.key)));
    return text;
}

QKeySequence menuItemKeys(const MenuItem& item) {
    if (item.key == 0) {
        return {};
    }
    // Letters share their codes with Qt's keys.
    int key = item.key == kKeyDelete ? int(Qt::Key_Delete) : int(item.key);
    Qt::KeyboardModifiers modifiers;
    if (item.modifiers & kModifierCtrl) {
        modifiers |= Qt::ControlModifier;
    }
    if (item.modifiers & kModifierShift) {
        modifiers |= Qt::ShiftModifier;
    }
    if (item.modifiers & kModifierAlt) {
        modifiers |= Qt::AltModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

MenuBar::MenuBar(Application& application) : application_(application) {
    for (const Menu& menu : applicationMenus()) {
        for (const MenuItem& item : menu.items) {
            if (item.command == 0) {
                continue;
            }
            auto action = std::make_unique<QAction>(menuItemText(application.strings(), item));
            action->setShortcut(menuItemKeys(item));
            action->setObjectName(QStringLiteral("command%1").arg(item.command));
            application.addCommandAction(action.get(), item.command);
            actions_.push_back(std::move(action));
        }
    }
}

MenuBar::~MenuBar() = default;

QMenuBar* MenuBar::createFor(QWidget* window) const {
    auto* bar = new QMenuBar(window);
    size_t next = 0;
    for (const Menu& menu : applicationMenus()) {
        QMenu* shown = bar->addMenu(entry(application_.strings(), menu.titleEntry));
        // The items take their state when the menu opens, so they are never stale.
        QObject::connect(shown, &QMenu::aboutToShow, &application_, [this] { application_.refresh(); });
        for (const MenuItem& item : menu.items) {
            if (item.command == 0) {
                shown->addSeparator();
                continue;
            }
            QAction* action = actions_[next++].get();
            shown->addAction(action);
            // The keys work while the window is active, whether the menu is open or not.
            window->addAction(action);
        }
    }
    return bar;
}

QAction* MenuBar::action(uint16_t command) const {
    for (const auto& action : actions_) {
        if (action->objectName() == QStringLiteral("command%1").arg(command)) {
            return action.get();
        }
    }
    return nullptr;
}

} // namespace quillery
