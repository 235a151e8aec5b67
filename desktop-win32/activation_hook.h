// Centring each message box and dialog over the main window: a hook installed just before
// the box or dialog opens, which centres the first window activated after it (that box or
// dialog) and removes itself. Limited to the user-interface thread, which owns every
// window of the program.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quorbit {

// The window to centre over; nothing is centred while it is hidden or null.
void SetCentringWindow(HWND window);

void InstallActivationHook();
// Safe when none is installed.
void RemoveActivationHook();

// Where a window of this size goes to be centred over the other: the halving truncates
// toward zero, as the program has always placed it.
POINT CentredPosition(const RECT& over, const RECT& window);

}  // namespace quorbit
