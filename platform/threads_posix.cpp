#include "platform/threads.h"

#include <csignal>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorbit {

int StartThread(ThreadHandle* thread, void* (*body)(void*), void* argument) {
    return ::pthread_create(thread, nullptr, body, argument);
}

void JoinThread(ThreadHandle thread) { ::pthread_join(thread, nullptr); }

ThreadId CurrentThreadId() { return ::gettid(); }

bool IsThreadOfThisProcess(ThreadId thread) {
    return thread > 0 && ::syscall(SYS_tgkill, ::getpid(), thread, 0) == 0;
}

void SetThreadScheduling(ThreadId thread, const ThreadScheduling& scheduling) {
    const int nice = scheduling.nice;
    sched_param none{};
    none.sched_priority = 0;
    if (scheduling.idlePolicy) {
        // Lowered first, so that the thread is at its weakest even if the policy is refused.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice);
        ::sched_setscheduler(thread, SCHED_IDLE, &none);
    } else {
        // The policy comes back first: nice values do not count under SCHED_IDLE.
        ::sched_setscheduler(thread, SCHED_OTHER, &none);
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice);
    }
}

void RestoreProcessScheduling() {}

bool CannotBindThreads() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    return ::sched_getaffinity(0, sizeof allowed, &allowed) != 0;
}

void BindThreadToProcessor(ThreadId thread, int processor) {
    cpu_set_t only;
    CPU_ZERO(&only);
    CPU_SET(processor, &only);
    ::sched_setaffinity(thread, sizeof only, &only);
}

void UnbindThread(ThreadId thread) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    // The main thread is never bound: its set is the process's.
    if (::sched_getaffinity(::getpid(), sizeof allowed, &allowed) == 0) ::sched_setaffinity(thread, sizeof allowed, &allowed);
}

}  // namespace quorbit
