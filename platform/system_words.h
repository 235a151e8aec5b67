// The words the console program's help uses for what differs between systems: where the
// data goes, how instances talk, what halts a run and with which exit status. String
// literals, so that they join the help texts around them when the program is compiled.
#pragma once

#ifdef _WIN32
#define QUORBIT_USER_DATA_WORDS "%LOCALAPPDATA%\\Quorbit"
#define QUORBIT_INSTALLED_WORDS "installed under Program Files, say"
#define QUORBIT_LOCAL_CHANNEL_WORDS "named pipe"
#define QUORBIT_HALT_WORDS "Ctrl+C, Ctrl+Break, closing the console window, logging off or shutting down"
#define QUORBIT_HALT_STATUS_WORDS "130 halted by Ctrl+C, 131 by Ctrl+Break,\n129 by a closed console or a log-off, 143 by a shutdown"
#else
#define QUORBIT_USER_DATA_WORDS "$XDG_DATA_HOME/quorbit or ~/.local/share/quorbit"
#define QUORBIT_INSTALLED_WORDS "installed in /usr/bin, say"
#define QUORBIT_LOCAL_CHANNEL_WORDS "local socket"
#define QUORBIT_HALT_WORDS "Ctrl+C, SIGTERM and SIGHUP (and SIGQUIT, SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2)"
#define QUORBIT_HALT_STATUS_WORDS "128+N halted by signal N (130 for Ctrl+C, 143 for SIGTERM)"
#endif
