// The main window, of the class "Quorbit Class": the console as its client area, the main
// menu (the class's, resource 128) and the popup menu (129), the commands of the menus and
// the accelerator keys, the tray icon's clicks, the Continue/Stop item and the title
// following the computation, and the shutdown sequence. The program has one such window;
// its state is process-wide, used on the user-interface thread only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

#include "shell/program_settings.h"

namespace quorbit {

inline constexpr const wchar_t* MAIN_WINDOW_CLASS = L"Quorbit Class";

// Registers the class (and the console's) and creates the window, hidden, with the title
// "Quorbit 1.2a"; null on failure. The settings and the executable's path (which names the
// autostart entry) must outlive the window.
HWND CreateMainWindow(HINSTANCE instance, ProgramSettings& settings, const char* executablePath);

// The window, until the shutdown sequence lets it go (then null: nothing more is shown).
HWND MainWindow();
HMENU PopupMenu();

// Shows the window normally, from the tray, minimised or hidden, and brings it to the front.
void ActivateMainWindow();

// What a menu item, an accelerator key or a posted command asks for.
void RunCommand(int32_t command);

// The computation's state (0 idle, 1 running, 2 stopping) on the Continue/Stop item of both
// menus; the idle state also sets the title's status to "IDLE".
void SetMenuState(int32_t state);
// "Quorbit 1.2a - " and the status (UTF-8) in the title and the tray tip; the tray picture
// is the one for the computation state.
void SetTitleStatus(const char* status, int32_t computationState);

// The tray's tip and picture, as the computation's threads change them.
void ShowTrayTip(const char* tip, int32_t computationState);

// Draws what the console's store holds now (the core asked for a redraw).
void RedrawConsoleWindow();

void UpdateIconChecks();
void UpdateInstallMenu();

// The shutdown sequence, run once whichever way the program ends: quitting flag, halt,
// window rectangle stored, activation hook and tray icon removed, window let go, wait for
// the computation's threads.
void Shutdown();

}  // namespace quorbit
