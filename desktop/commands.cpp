#include "desktop/commands.h"

namespace quorbit {

const MenuEntry MENU_ENTRIES[] = {
    {MenuEntry::Submenu, 0, "&Compute", false},
    {MenuEntry::Item, NEW_COMMAND, "&New\tCtrl+N", false},
    {MenuEntry::Separator, 0, nullptr, false},
    {MenuEntry::Item, CONTINUE_ITEM.command, CONTINUE_ITEM.text, false},
    {MenuEntry::Separator, 0, nullptr, false},
    {MenuEntry::Item, STATUS_COMMAND, "&Status\tCtrl+S", false},
    {MenuEntry::Separator, 0, nullptr, false},
    {MenuEntry::Item, EXIT_COMMAND, "E&xit\tAlt+F4", false},
    {MenuEntry::EndSubmenu, 0, nullptr, false},
    {MenuEntry::Submenu, 0, "&Options", false},
    {MenuEntry::Item, PREFERENCES_COMMAND, "&Preferences\tCtrl+P", false},
    {MenuEntry::Item, PRIORITY_COMMAND, "P&riority", false},
    {MenuEntry::Separator, 0, nullptr, true},
    {MenuEntry::Submenu, 0, "&Install", false},
    {MenuEntry::Item, NORMAL_INSTALL_COMMAND, "Normal Install", false},
    {MenuEntry::Item, SERVICE_INSTALL_COMMAND, "Service Install", false},
    {MenuEntry::EndSubmenu, 0, nullptr, false},
    {MenuEntry::Item, UNINSTALL_COMMAND, "&Uninstall", false},
    {MenuEntry::Separator, 0, nullptr, false},
    {MenuEntry::Item, TRAY_ICON_COMMAND, "&Tray Icon", false},
    {MenuEntry::Item, NO_ICON_COMMAND, "&No Icon", false},
    {MenuEntry::EndSubmenu, 0, nullptr, false},
    {MenuEntry::Submenu, 0, "&View", false},
    {MenuEntry::Item, BOARD_COMMAND, "&Board", false},
    {MenuEntry::EndSubmenu, 0, nullptr, false},
    {MenuEntry::Submenu, 0, "&Help", false},
    {MenuEntry::Item, HELP_TOPICS_COMMAND, "&Help Topics", false},
    {MenuEntry::Separator, 0, nullptr, false},
    {MenuEntry::Item, ABOUT_COMMAND, "&About Vanterra...", false},
    {MenuEntry::EndSubmenu, 0, nullptr, false},
};
const int MENU_ENTRY_COUNT = sizeof MENU_ENTRIES / sizeof MENU_ENTRIES[0];

const Accelerator ACCELERATORS[] = {
    {"Ctrl+O", CONTINUE_COMMAND},   {"Ctrl+S", STATUS_COMMAND}, {"Ctrl+N", NEW_COMMAND},
    {"Ctrl+P", PREFERENCES_COMMAND}, {"Esc", STOP_COMMAND},     {"F1", ABOUT_COMMAND},
    {"Shift+F1", CONTEXT_HELP_COMMAND},
};
const int ACCELERATOR_COUNT = sizeof ACCELERATORS / sizeof ACCELERATORS[0];

}  // namespace quorbit
