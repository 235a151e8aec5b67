#include "platform/halt_signals.h"

#include <atomic>

#include "platform/console_events_windows.h"

namespace quorbit {

namespace {

// The console's events, given the numbers of the POSIX signals they stand for, so that the
// exit status is the same on both systems: Ctrl+C 130, as SIGINT; Ctrl+Break 131, as Ctrl+Backslash
// (SIGQUIT); the console closed or the user logging off 129, as a closed terminal (SIGHUP);
// shutdown 143, as SIGTERM.
struct ConsoleEvent {
    DWORD event;
    int number;
    const char* name;
};

constexpr ConsoleEvent HALT_EVENTS[] = {
    {CTRL_C_EVENT, 2, "Ctrl+C"},
    {CTRL_BREAK_EVENT, 3, "Ctrl+Break"},
    {CTRL_CLOSE_EVENT, 1, "the console's closing"},
    {CTRL_LOGOFF_EVENT, 1, "the user's logoff"},
    {CTRL_SHUTDOWN_EVENT, 15, "shutdown"},
};

std::atomic<int> caughtSignal{0};
std::atomic<void (*)()> haltAction{nullptr};
// Set while the events are to be waited for (BlockHaltSignals); signalled at each one.
HANDLE haltEvent = nullptr;
std::atomic<int> pendingSignal{0};

int NumberOf(DWORD event) {
    for (const ConsoleEvent& e : HALT_EVENTS)
        if (e.event == event) return e.number;
    return 0;
}

}  // namespace

BOOL WINAPI OnConsoleEvent(DWORD event) {
    const int number = NumberOf(event);
    if (number == 0) return FALSE;
    int none = 0;
    caughtSignal.compare_exchange_strong(none, number);
    if (haltEvent != nullptr) {
        none = 0;
        pendingSignal.compare_exchange_strong(none, number);
        ::SetEvent(haltEvent);
    } else if (void (*halt)() = haltAction.load()) {
        halt();
    }
    // After the close, logoff and shutdown events Windows ends the process as soon as this
    // returns: it waits here (within the seconds Windows grants) while the program halts,
    // writes what it must and exits, which ends this thread with it.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) ::Sleep(INFINITE);
    return TRUE;
}

void CatchHaltSignals(void (*onHalt)()) {
    haltAction.store(onHalt);
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

int CaughtHaltSignal() { return caughtSignal.load(); }

void BlockHaltSignals() {
    if (haltEvent == nullptr) haltEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
}

int WaitForHaltSignal(int milliseconds) {
    if (haltEvent == nullptr) {
        ::Sleep(static_cast<DWORD>(milliseconds));
        return 0;
    }
    ::WaitForSingleObject(haltEvent, static_cast<DWORD>(milliseconds));
    return pendingSignal.exchange(0);
}

const char* HaltSignalName(int signal) {
    for (const ConsoleEvent& e : HALT_EVENTS)
        if (e.number == signal) return e.name;
    return "a signal";
}

}  // namespace quorbit
