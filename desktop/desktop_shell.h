// The desktop as the core's front-end: the console's redraws, the Continue/Stop item, the
// title, the tray icon and the message boxes, whichever thread asks for them.
#pragma once

namespace quorbit {

class MainWindow;

// Attaches the window as the shell. Requests from the computation's threads are posted to
// the window's thread and never waited for, so no computation thread can be held by the
// window, and the shutdown can wait for those threads on the window's thread.
void AttachDesktopShell(MainWindow* window);

}  // namespace quorbit
