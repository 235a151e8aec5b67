// A second start in a directory brings the first instance's window to the front: the window
// of the class "Quorbit Class" whose user data is the directory's instance key.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace quorbit {

// Shows that window normally, from hidden, minimised or the tray, and makes it the
// foreground window; false when no such window is there (yet).
bool BringInstanceToFront(uint32_t key);

// The key a window is found by, on the main window.
void MarkInstanceWindow(HWND window, uint32_t key);

}  // namespace quorbit
