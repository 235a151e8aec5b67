// The program's settings as held in memory: every key of "QUORBIT.INI" the program reads,
// with its default and the adjustment made after reading.
#pragma once

#include <cstdint>

namespace quorbit {

struct ProgramSettings {
    int32_t cpuNumber;         // "CpuNumber", default 0 (no binding); not adjusted
    int32_t displayFrequency;  // "DisplayFrequency", default 30; 0 or less reads as 1
    int32_t displayDepth;      // "DisplayDepth", default 8; 0 or less reads as 1
    int32_t priority;          // "Priority", default 1; held within 1..10
    int32_t hideIcon;          // "HideIcon", default 0
    int32_t trayIcon;          // "TrayIcon", default 1
    int32_t autoInstall;       // "AutoInstall", default 0: the first-run set-up is still to do
    int32_t left, top, right, bottom;  // "Left", "Top", "Right", "Bottom", default 0 each
    int32_t threads;           // "Threads", default 0: the single worker; else held within 1..processors
    int32_t showBoard;         // "ShowBoard", default 1: the desktop shows the board beside its console
};

inline constexpr int32_t DEFAULT_PRIORITY = 1;
inline constexpr int32_t MIN_PRIORITY = 1;
inline constexpr int32_t MAX_PRIORITY = 10;
inline constexpr int32_t DEFAULT_TRAY_ICON = 1;
inline constexpr int32_t DEFAULT_SHOW_BOARD = 1;

// "Threads" as the computation takes it: 0 or less (or absent) is the single worker, more
// than the processors available is as many threads as processors.
int32_t TaskThreadsFor(int32_t threads);

// Reads the keys in the order "CpuNumber", "DisplayFrequency", "DisplayDepth", "Priority",
// "HideIcon", "TrayIcon", "AutoInstall", then the window rectangle, then "Threads" and
// "ShowBoard", and adjusts them. The
// file keeps what it holds: only a command that changes a setting writes it.
ProgramSettings ReadProgramSettings();

// Makes the values the computation reads on its threads the settings' ones: the processor
// (cpuNumber), the display settings, the priority level and the task mode's threads.
void ApplyProgramSettings(const ProgramSettings& settings);

// True when any of the four window coordinates is nonzero: the four then give the window's
// normal rectangle, zeros included; otherwise the desktop places the window.
bool HasStoredWindowRect(const ProgramSettings& settings);

// Whether the stored rectangle could be a window: at least 100 x 60, and not absurdly large.
// One that could not is not used; the desktop places the window.
bool StoredWindowRectUsable(const ProgramSettings& settings);

// Stores the window's normal rectangle as "Left", "Top", "Right", "Bottom", in this order.
void StoreWindowRect(ProgramSettings& settings, int32_t left, int32_t top, int32_t right, int32_t bottom);

}  // namespace quorbit
