// The window as the core's front-end (support/shell.h): the console's redraws, the
// Continue/Stop item, the title, the tray tip and the message boxes. A request made on the
// user-interface thread is carried out at once; one made on a computation thread is posted
// to the window and never waited for, so no computation thread is ever held by the window,
// and the shutdown can wait for those threads on the window's thread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "shell/desktop_requests.h"

namespace quorbit {

// Attaches the window as the shell, from the user-interface thread; nullptr detaches it.
void AttachWin32Shell(HWND window);

// How the instance channel's requests reach the window's thread: posted to the window.
DesktopRequestHooks Win32RequestHooks();

// Carries out a request posted by a computation thread; false when the message is none.
bool HandleShellMessage(UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace quorbit
