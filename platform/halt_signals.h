// The signals that ask a long command to stop: Ctrl+C (SIGINT), Ctrl+\ (SIGQUIT), a closed
// terminal (SIGHUP), kill, systemd and batch systems (SIGTERM, SIGXCPU), timers and users
// (SIGALRM, SIGUSR1, SIGUSR2). Caught, they call the command's halt instead of ending the
// process, so that it can say what it had done.
#pragma once

namespace quorbit {

// The number a halt signal gives the exit status of a process that it ended: 128 + N.
inline constexpr int HALT_STATUS_BASE = 128;

// Installs onHalt for all of them. onHalt runs inside the signal handler: it may only do
// what is safe there (store to a lock-free atomic). A second signal calls it again.
void CatchHaltSignals(void (*onHalt)());

// The first halt signal caught, 0 when none.
int CaughtHaltSignal();

// "SIGINT", "SIGTERM", ...; "a signal" for another.
const char* HaltSignalName(int signal);

// For a program that waits for them on one thread instead of catching them: blocks them in
// the calling thread and every thread it makes later, so that none can end the process.
void BlockHaltSignals();
// Waits up to `milliseconds` for one of the blocked halt signals: its number, or 0 when none came.
int WaitForHaltSignal(int milliseconds);

}  // namespace quorbit
