// The set-up made once per settings file, at the first start in a directory: the autostart
// entry, the processor's description, and "AutoInstall" and "CpuId" recorded so that it is
// not made again.
#pragma once

#include "shell/program_settings.h"

namespace quorbit {

// True while "AutoInstall" reads 0.
bool IsFirstRun(const ProgramSettings& settings);

// When it is the first run: "AutoInstall" becomes 1 in memory; the autostart entry is
// installed as Normal Install when autostartState says there is none; the processor is
// identified (three lines on the console), which replaces the in-memory processor number
// with the count of processors available; then "AutoInstall" (1) and "CpuId" (that number)
// are stored. "CpuNumber" in the file is left as it was. Returns whether it ran.
//
// The console program (autostartExecutable null) has no autostart entry to offer: it only
// identifies the processor and stores "CpuId", once ("CpuId" absent), and leaves
// "AutoInstall" at 0, so that the desktop program started later in the same directory
// still makes its own first run and offers to start at logon.
bool RunFirstRunSetup(ProgramSettings& settings, const char* autostartExecutable);

}  // namespace quorbit
