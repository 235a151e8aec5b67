#include "cli/halt_signals.h"

#include <atomic>
#include <csignal>

namespace quorbit {

namespace {

struct NamedSignal {
    int number;
    const char* name;
};

constexpr NamedSignal HALT_SIGNALS[] = {
    {SIGINT, "SIGINT"},   {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"},   {SIGQUIT, "SIGQUIT"},
    {SIGXCPU, "SIGXCPU"}, {SIGALRM, "SIGALRM"}, {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"},
};

std::atomic<int> caughtSignal{0};
std::atomic<void (*)()> haltAction{nullptr};

void OnSignal(int number) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, number);
    if (void (*halt)() = haltAction.load()) halt();
}

}  // namespace

void CatchHaltSignals(void (*onHalt)()) {
    haltAction.store(onHalt);
    struct sigaction action {};
    action.sa_handler = &OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const NamedSignal& s : HALT_SIGNALS) sigaction(s.number, &action, nullptr);
}

int CaughtHaltSignal() { return caughtSignal.load(); }

const char* HaltSignalName(int signal) {
    for (const NamedSignal& s : HALT_SIGNALS)
        if (s.number == signal) return s.name;
    return "a signal";
}

}  // namespace quorbit
