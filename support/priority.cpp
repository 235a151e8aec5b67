#include "support/priority.h"

#include "platform/threads.h"
#include "support/cpu_identity.h"

namespace quorbit {

std::atomic<int32_t> priorityLevel{1};

namespace {

constexpr int32_t MAX_BOUND_CPU = 32;

// Levels 1..10, index level - 1. On Linux a nice value; levels 6 and 7 share one, as they
// share a base priority on Windows, where levels 2..6 put the process in the idle class
// and the rest in the normal one, with these thread priorities.
constexpr int LEVEL_NICE[10] = {19, 16, 14, 12, 10, 8, 8, 6, 4, 2};
constexpr int LEVEL_THREAD_PRIORITY[10] = {-15, -2, -1, 0, 1, 2, -2, -1, 0, 1};

}  // namespace

PrioritySetting PriorityForLevel(int32_t level) {
    if (level >= 1 && level <= 10)
        return {level == 1, LEVEL_NICE[level - 1], level >= 2 && level <= 6, LEVEL_THREAD_PRIORITY[level - 1]};
    return {false, 0, false, 2};
}

namespace {

void ApplyScheduling(ThreadId thread) {
    const PrioritySetting setting = PriorityForLevel(priorityLevel.load(std::memory_order_relaxed));
    SetThreadScheduling(thread, setting);
}

}  // namespace

void ApplyPriority(ThreadId thread) {
    if (!IsThreadOfThisProcess(thread)) return;
    const int32_t cpu = cpuNumber.load(std::memory_order_relaxed);
    if (cpu >= 1 && cpu <= MAX_BOUND_CPU && !CannotBindThreads()) BindThreadToProcessor(thread, cpu - 1);
    ApplyScheduling(thread);
}

void ApplyPriorityUnbound(ThreadId thread) {
    if (!IsThreadOfThisProcess(thread)) return;
    UnbindThread(thread);
    ApplyScheduling(thread);
}

void ApplyPriorityIfRunning(ThreadId thread) {
    if (thread != 0) ApplyPriority(thread);
}

}  // namespace quorbit
