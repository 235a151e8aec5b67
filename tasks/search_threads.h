// The search threads of the unit being computed in task mode, known by their kernel ids so
// that a change of "Priority" (and "CpuNumber" when the unit runs on one thread) reaches
// every one of them at once. A thread the run started is known from its start until just
// before it ends, so that no id of a thread that has ended (and may name another thread by
// now) is used; the worker's own thread, which outlives the run, until the run is over.
#pragma once

#include <cstdint>

namespace quorbit {

// Before the unit's run: it runs on threadCount threads.
void BeginSearchThreads(int32_t threadCount);
// TaskOutput's threadStart and threadEnd for the run: each thread makes itself known and
// takes the priority; those the run started forget themselves as they end.
void StartSearchThread(int threadCount, void* context);
void EndSearchThread(void* context);
// After the run: no unit's threads are running.
void ForgetSearchThreads();

// Gives every search thread of the unit being computed in task mode the scheduling of
// "Priority" now (and "CpuNumber" when the unit runs on one thread). False when no unit is
// being computed in task mode: the worker thread is then the only search thread.
bool ApplyPriorityToTaskRun();

}  // namespace quorbit
