#include "support/priority.h"

#include "platform/threads.h"
#include "support/cpu_identity.h"

namespace quorbit {

std::atomic<int32_t> priorityLevel{1};

namespace {

constexpr int32_t MAX_BOUND_CPU = 32;

// Nice values for levels 2..10, index level - 2. Levels 6 and 7 share a value, as they
// share a base priority on the system the levels come from.
constexpr int LEVEL_NICE[9] = {16, 14, 12, 10, 8, 8, 6, 4, 2};

}  // namespace

PrioritySetting PriorityForLevel(int32_t level) {
    if (level == 1) return {true, 19};
    if (level >= 2 && level <= 10) return {false, LEVEL_NICE[level - 2]};
    return {false, 0};
}

namespace {

void ApplyScheduling(ThreadId thread) {
    const PrioritySetting setting = PriorityForLevel(priorityLevel.load(std::memory_order_relaxed));
    SetThreadScheduling(thread, setting.idlePolicy, setting.nice);
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
