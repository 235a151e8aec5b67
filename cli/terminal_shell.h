// The console program's front-end: everything the program prints goes to standard output
// (checked: see standard_output.h).
// On a terminal the progress line is rewritten in place; otherwise it is an ordinary line.
#pragma once

namespace quorbit {

// Sends everything printed on the console to standard output.
void AttachTerminalShell();

// Ends a progress line left on the terminal with a line end, so that what follows starts on
// a line of its own.
void FinishTerminalLine();

}  // namespace quorbit
