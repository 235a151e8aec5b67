#include "platform/halt_signals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <time.h>

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

void HaltSignalSet(sigset_t& signals) {
    sigemptyset(&signals);
    for (const NamedSignal& s : HALT_SIGNALS) sigaddset(&signals, s.number);
}

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

void BlockHaltSignals() {
    sigset_t signals;
    HaltSignalSet(signals);
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

int WaitForHaltSignal(int milliseconds) {
    sigset_t signals;
    HaltSignalSet(signals);
    const timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000L * 1000L};
    const int got = ::sigtimedwait(&signals, nullptr, &wait);
    return got > 0 ? got : 0;
}

const char* HaltSignalName(int signal) {
    for (const NamedSignal& s : HALT_SIGNALS)
        if (s.number == signal) return s.name;
    return "a signal";
}

}  // namespace quorbit
