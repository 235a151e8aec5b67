#include "support/priority.h"

#include <csignal>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "support/cpu_identity.h"

namespace quorbit {

std::atomic<int32_t> priorityLevel{1};

namespace {

constexpr int32_t MAX_BOUND_CPU = 32;

// Nice values for levels 2..10, index level - 2. Levels 6 and 7 share a value, as they
// share a base priority on the system the levels come from.
constexpr int LEVEL_NICE[9] = {16, 14, 12, 10, 8, 8, 6, 4, 2};

// Thread ids are recycled system-wide: a stale id must never reach another program's thread.
bool IsThreadOfThisProcess(ThreadId thread) {
    return thread > 0 && ::syscall(SYS_tgkill, ::getpid(), thread, 0) == 0;
}

}  // namespace

ThreadId CurrentThreadId() { return ::gettid(); }

PrioritySetting PriorityForLevel(int32_t level) {
    if (level == 1) return {true, 19};
    if (level >= 2 && level <= 10) return {false, LEVEL_NICE[level - 2]};
    return {false, 0};
}

bool CannotBindThreads() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    return ::sched_getaffinity(0, sizeof allowed, &allowed) != 0;
}

namespace {

void ApplyScheduling(ThreadId thread) {
    const PrioritySetting setting = PriorityForLevel(priorityLevel.load(std::memory_order_relaxed));
    sched_param none{};
    none.sched_priority = 0;
    if (setting.idlePolicy) {
        // Lowered first, so that the thread is at its weakest even if the policy is refused.
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), setting.nice);
        ::sched_setscheduler(thread, SCHED_IDLE, &none);
    } else {
        // The policy comes back first: nice values do not count under SCHED_IDLE.
        ::sched_setscheduler(thread, SCHED_OTHER, &none);
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), setting.nice);
    }
}

}  // namespace

void ApplyPriority(ThreadId thread) {
    if (!IsThreadOfThisProcess(thread)) return;
    const int32_t cpu = cpuNumber.load(std::memory_order_relaxed);
    if (cpu >= 1 && cpu <= MAX_BOUND_CPU && !CannotBindThreads()) {
        cpu_set_t only;
        CPU_ZERO(&only);
        CPU_SET(cpu - 1, &only);
        ::sched_setaffinity(thread, sizeof only, &only);
    }
    ApplyScheduling(thread);
}

void ApplyPriorityUnbound(ThreadId thread) {
    if (!IsThreadOfThisProcess(thread)) return;
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    // The main thread is never bound: its set is the process's.
    if (::sched_getaffinity(::getpid(), sizeof allowed, &allowed) == 0) ::sched_setaffinity(thread, sizeof allowed, &allowed);
    ApplyScheduling(thread);
}

void ApplyPriorityIfRunning(ThreadId thread) {
    if (thread != 0) ApplyPriority(thread);
}

}  // namespace quorbit
