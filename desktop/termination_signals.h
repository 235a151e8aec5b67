// SIGTERM, SIGHUP and SIGINT end the desktop program as its Exit command does: the signal
// only wakes the event loop, which then runs the shutdown on the window's thread.
#pragma once

#include <QObject>

#include <functional>

namespace quorbit {

// Installs the handlers; onSignal runs on the calling thread's event loop after a signal.
// False when they could not be installed (the program then ends as the signal's default).
// After the first signal a second one has its default effect.
bool CatchTerminationSignals(QObject* owner, std::function<void()> onSignal);

}  // namespace quorbit
