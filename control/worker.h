// The computation worker: takes the head of the queue, runs its unit's search, writes the
// summary and the node detail, and only then removes the unit from the queue; then the
// next head, until the queue is empty or the computation is stopped.
#pragma once

#include <atomic>
#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// The worker's search. Other threads read its path and counters (progress) and ask it to halt.
extern SearchState workerSearchState;

// The unit being computed (-1 for an entry that names none); written by the worker only.
extern std::atomic<int32_t> currentUnit;
// The millisecond tick at the current unit's start: the base of every elapsed time printed.
extern std::atomic<uint32_t> unitStartTick;
// The solutions reported so far in the current unit.
extern std::atomic<int32_t> solutionCount;

// Runs a whole unit in the state: 0 when its search has returned (finished or halted),
// 1 when the number names no unit.
using UnitRunner = int (*)(int32_t unit, SearchState& state);

// RunWorkUnit unless replaced; a test puts a short search in its place. nullptr restores it.
void SetUnitRunner(UnitRunner runner);

// The body of the worker thread (StartComputation creates it).
void WorkerThreadProc();

}  // namespace quorbit
