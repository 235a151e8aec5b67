// The handler Windows calls on a thread of its own for each console event (Ctrl+C,
// Ctrl+Break, the console's closing, logoff, shutdown), installed by CatchHaltSignals and
// BlockHaltSignals. Named here for the tests: Wine without a console delivers no event.
#pragma once

#include "platform/windows_text.h"

namespace quorbit {

BOOL WINAPI OnConsoleEvent(DWORD event);

}  // namespace quorbit
