// The notification-area icon: the white knight while the computation runs, the grey one
// otherwise, with the window title as its tip. Its clicks reach the main window as
// WM_TRAYICON with the mouse message in lParam.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace quorbit {

// The knight as a small icon (title bar, notification area) or a large one, at the DPI of
// the primary monitor: icon resource IDI_RUNNING for a computation state of 1, IDI_IDLE
// otherwise. Loaded once and kept.
HICON KnightIcon(int32_t computationState, bool small);

// Does nothing unless enabled (the "TrayIcon" setting) and, once the program quits, for
// anything but NIM_DELETE. Otherwise the picture for the computation state becomes the
// tray's and the window's small icon, and the icon is added (NIM_ADD), changed
// (NIM_MODIFY) or removed (NIM_DELETE) with the tip, cut to 63 characters.
void UpdateTrayIcon(HWND window, DWORD action, const char* tip, int32_t computationState, bool enabled);

// Whether the icon is in the notification area now.
bool TrayIconShown();

// The notification area was made anew (Explorer restarted): the icon is added again if it
// was shown, with the tip and picture it had.
void RestoreTrayIcon(HWND window);

}  // namespace quorbit
