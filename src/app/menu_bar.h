// The application's menu bar: File (Open..., Preview Book..., Preview Last Book, Export Pages..., Close,
// Quit) and Edit (Undo, Cut, Copy, Paste, Delete, Preferences...), every text a string list entry but for the
// preview items, which the string list does not have.
//
// An item is described by its string entry (or its own text), its shortcut key byte and modifier byte (2
// Ctrl, 1 Shift, 0x10 Alt; key 0 = no shortcut) and its command; an item without a command is a separator. An
// item with a shortcut shows after its text a tab, the modifier names ("Ctrl", "Shift", "Alt", in this order)
// each followed by "+", and the key; the Delete key is shown as entry 272 ("Del"). The shortcut also executes
// the command, and every refresh enables the item through MsgUpdate.
#pragma once

#include "framework/application.h"

#include <QKeySequence>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QMenuBar;
class QWidget;

namespace quillery {

inline constexpr uint8_t kModifierShift = 0x01;
inline constexpr uint8_t kModifierCtrl = 0x02;
inline constexpr uint8_t kModifierAlt = 0x10;
inline constexpr uint8_t kKeyDelete = 0x2E; // the system's key code of the Delete key

struct MenuItem {
    uint32_t stringEntry; // 0 for a separator or an item with its own text
    uint8_t key;
    uint8_t modifiers;
    uint16_t command;           // 0 for a separator
    const char* text = nullptr; // the item's text when the string list has none for it
};

struct Menu {
    uint32_t titleEntry;
    uint16_t command;
    std::vector<MenuItem> items;
};

// The two menus in their order.
const std::vector<Menu>& applicationMenus();

// The text an item shows: its string, and its shortcut after a tab when it has one.
QString menuItemText(LocalStringManager& strings, const MenuItem& item);
// The keys that execute the item; empty without a shortcut.
QKeySequence menuItemKeys(const MenuItem& item);

class MenuBar {
  public:
    // Builds one action per item and hands each to the application's command actions.
    explicit MenuBar(Application& application);
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    // A menu bar widget for `window` showing these menus; the window owns the widget, this object the items.
    QMenuBar* createFor(QWidget* window) const;
    // The action of `command`, or null.
    QAction* action(uint16_t command) const;

  private:
    Application& application_;
    std::vector<std::unique_ptr<QAction>> actions_;
};

} // namespace quillery
