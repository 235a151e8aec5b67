// The standard streams of a console program.
#pragma once

#include <cstdio>

namespace quorbit {

// A write to a closed pipe fails with an error instead of ending the process.
void IgnoreBrokenPipes();
// Tells a console that shows the program's output that its text is UTF-8 (Windows's
// console takes it in the ANSI code page otherwise).
void UseUtf8Console();
// Opens the null device on each of the three standard streams the process was started
// without, so that no file opened later takes its place. Returns a mask of those that were
// closed: bit N for stream N (0 input, 1 output, 2 error).
int OpenClosedStandardStreams();
// True when the stream writes to a terminal.
bool IsTerminal(std::FILE* stream);

}  // namespace quorbit
