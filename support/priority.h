// How hard the computation competes with other work: the levels 1..10 of "Priority" and
// the processor of "CpuNumber" turned into the system's scheduling for the computation
// threads. The mapping is described in docs/priority.md.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/threads.h"

namespace quorbit {

// The in-memory "Priority". Start-up brings the stored value into 1..10; the priority
// dialog stores what the user typed, so other values occur and run as the highest.
extern std::atomic<int32_t> priorityLevel;

// Linux: SCHED_IDLE or SCHED_OTHER with a nice value (kept also under SCHED_IDLE).
// Windows: the process's priority class and the thread's priority, as the levels were
// first defined there.
using PrioritySetting = ThreadScheduling;

// The scheduling for a level. Order is kept: level 1 lowest, 6 and 7 equal, 10 highest
// of the range, any other value above 10.
PrioritySetting PriorityForLevel(int32_t level);

// Binds the thread to processor cpuNumber (when it is 1..32) and gives it the scheduling
// of priorityLevel, both read now. Whatever the system refuses is silently left as it was:
// an unprivileged process cannot raise a thread it has lowered (see docs/priority.md).
// Only the given thread changes; the rest of the process keeps its scheduling. An id that
// is not a thread of this process (one that has ended, say) is ignored.
void ApplyPriority(ThreadId thread);

// The same for one of several search threads of a unit: the scheduling of priorityLevel,
// and no binding (the processors the process may use), since threads bound to one
// processor would only take turns on it.
void ApplyPriorityUnbound(ThreadId thread);

// ApplyPriority unless thread is 0.
void ApplyPriorityIfRunning(ThreadId thread);

}  // namespace quorbit
