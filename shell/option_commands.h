// What the Options menu's Tray Icon, No Icon, Preferences and Priority commands do to the
// settings. The front-end shows the result (tray icon, check marks, warning box).
#pragma once

#include <cstdint>

#include "shell/program_settings.h"

namespace quorbit {

inline constexpr int32_t PREFERENCES_COMMAND = 32776;
inline constexpr int32_t TRAY_ICON_COMMAND = 32777;
inline constexpr int32_t NO_ICON_COMMAND = 32778;
inline constexpr int32_t PRIORITY_COMMAND = 32782;
inline constexpr int32_t BOARD_COMMAND = 32794;  // View > Board

// Shown, captioned "Warning", when No Icon is switched on (two blanks after a full stop). On
// Linux no shortcut to an executable brings a window back: a second start in the same folder
// does.
inline constexpr const char* NO_ICON_WARNING =
    "WARNING: It is recommended that you give the command that starts Quorbit in this folder (quorbit -w FOLDER) "
    "a shortcut key in your desktop's keyboard settings.  If you do not do this you will be unable to activate "
    "Quorbit once you minimize it, except by starting it again in the same folder.";
inline constexpr const char* NO_ICON_WARNING_CAPTION = "Warning";

// What the front-end does after a tray command, in this order: remove the tray icon (before
// the settings below say there is none), add it, show the No Icon warning.
struct TrayChange {
    bool removeIcon;
    bool addIcon;
    bool showWarning;
};

struct IconChecks {
    bool trayIcon;  // "&Tray Icon" checked
    bool noIcon;    // "&No Icon" checked
};

IconChecks IconChecksFor(const ProgramSettings& settings);

// Tray Icon: switches "TrayIcon"; switching it on also clears "HideIcon". Stores "HideIcon",
// then "TrayIcon".
TrayChange ToggleTrayIcon(ProgramSettings& settings);

// No Icon: switches "HideIcon"; switching it on removes a shown tray icon, clears "TrayIcon"
// and asks for the warning. Stores "HideIcon", then "TrayIcon".
TrayChange ToggleNoIcon(ProgramSettings& settings);

// After the Preferences dialog, OK or Cancel alike: values below 1 become 1, both are
// stored ("DisplayFrequency" first) and take effect at once. More threads than processors
// are as many as processors, said on the console.
void StorePreferences(ProgramSettings& settings, int32_t displayFrequency, int32_t displayDepth, int32_t threads);

// View > Board: shows or hides the desktop's board and stores "ShowBoard". Returns whether
// the board is now shown.
bool ToggleBoard(ProgramSettings& settings);

// After the Set Priority dialog, OK or Cancel alike: the level is stored as it is, without
// clamping, and applied to the computation threads that exist.
void StorePriority(ProgramSettings& settings, int32_t level);

}  // namespace quorbit
