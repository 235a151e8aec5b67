// The Options menu's autostart items as the autostart state makes them.
#pragma once

#include <cstdint>

namespace quorbit {

inline constexpr int32_t NORMAL_INSTALL_COMMAND = 32791;
inline constexpr int32_t SERVICE_INSTALL_COMMAND = 32792;
inline constexpr int32_t UNINSTALL_COMMAND = 32793;

struct InstallMenuState {
    bool uninstallEnabled;      // "&Uninstall": greyed while there is no entry
    bool normalInstallChecked;  // "Normal Install": checked while there is an entry
    bool serviceInstallChecked; // "Service Install": never checked
};

InstallMenuState InstallMenuFor(int32_t autostartState);

// The autostart mode of an install command (0 for Uninstall), or -1 for any other command.
int32_t AutostartModeOfCommand(int32_t command);

// Carries out an install command with the program's path (InstallAutostart): true when the
// command was one, and the menu is to be brought up to date; false for any other command
// (Help Topics, context help, anything unknown), which does nothing here.
bool RunInstallCommand(int32_t command, const char* executablePath);

}  // namespace quorbit
