// The signals that ask a long command to stop: Ctrl+C (SIGINT), Ctrl+\ (SIGQUIT), a closed
// terminal (SIGHUP), kill, systemd and batch systems (SIGTERM, SIGXCPU), timers and users
// (SIGALRM, SIGUSR1, SIGUSR2). Caught, they call the command's halt instead of ending the
// process, so that it can say what it had done.
#pragma once

namespace quorbit {

// Installs onHalt for all of them. onHalt runs inside the signal handler: it may only do
// what is safe there (store to a lock-free atomic). A second signal calls it again.
void CatchHaltSignals(void (*onHalt)());

// The first halt signal caught, 0 when none.
int CaughtHaltSignal();

// "SIGINT", "SIGTERM", ...; "a signal" for another.
const char* HaltSignalName(int signal);

}  // namespace quorbit
