// The output console: a child window filling the main window's client area that draws the
// console's line store (support/console.h) bottom-up, the newest complete line on the bottom
// edge, with no scroll bar and no wrapping. Mouse clicks pass through it to the main window.
// Its window text (WM_GETTEXT) is the lines it holds, oldest first, one per line, so that
// screen readers and tests can read what the console says.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>

namespace quorbit {

inline constexpr const wchar_t* CONSOLE_WINDOW_CLASS = L"Quorbit Console";

bool RegisterConsoleClass(HINSTANCE instance);
HWND CreateConsoleWindow(HWND parent, HINSTANCE instance);

// Brings the drawing up to date with the store, on the user-interface thread: the lines
// completed since the last update scroll the drawing up, and only the strip they uncover and
// the bottom line (which a progress line may have replaced) are drawn again.
void UpdateConsoleWindow(HWND console);

// The lines of the store as the window text gives them.
std::wstring ConsoleText();

// The font follows the monitor's scale: made anew for the DPI of the console's monitor.
void UpdateConsoleFont(HWND console);

}  // namespace quorbit
