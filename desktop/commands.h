// The desktop's command identifiers: what a menu item, an accelerator key or a tray click
// asks the main window to do. Plain data, shared by the menus, the keys and the tests.
#pragma once

#include <cstdint>

#include "control/compute_menu.h"
#include "shell/install_menu.h"
#include "shell/option_commands.h"

namespace quorbit {

inline constexpr int32_t NEW_COMMAND = 32780;
// CONTINUE_COMMAND and STOP_COMMAND come with the Continue/Stop item; the Options menu's
// commands with what they do (option_commands.h, install_menu.h).
inline constexpr int32_t STATUS_COMMAND = 32772;
inline constexpr int32_t EXIT_COMMAND = 32781;
inline constexpr int32_t ABOUT_COMMAND = 32789;
// Shown greyed; nothing stands behind them.
inline constexpr int32_t HELP_TOPICS_COMMAND = 57667;
inline constexpr int32_t CONTEXT_HELP_COMMAND = 57669;

// One line of a menu: an item, a separator, or the start or end of a submenu. A separator
// marked mainMenuOnly is left out of the popup menu.
struct MenuEntry {
    enum Kind { Item, Separator, Submenu, EndSubmenu } kind;
    int32_t command;
    const char* text;
    bool mainMenuOnly;
};

// The main menu's three menus in order; the popup menu holds the same under one submenu.
extern const MenuEntry MENU_ENTRIES[];
extern const int MENU_ENTRY_COUNT;

// The accelerator keys, written as Qt reads key sequences ("Ctrl+O", "Esc", "Shift+F1").
struct Accelerator {
    const char* keys;
    int32_t command;
};
extern const Accelerator ACCELERATORS[];
extern const int ACCELERATOR_COUNT;

}  // namespace quorbit
