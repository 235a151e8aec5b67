// The computation worker: takes the head of the queue, runs its unit's search, writes the
// summary and the node detail, and only then removes the unit from the queue; then the
// next head, until the queue is empty or the computation is stopped.
#pragma once

#include <atomic>
#include <cstdint>

#include "results/unit_run.h"
#include "search/search_state.h"

namespace quorbit {

// The worker's search. Other threads read its path and counters (progress) and ask it to halt.
extern SearchState workerSearchState;

// The unit being computed (-1 for an entry that names none); written by the worker only.
extern std::atomic<int32_t> currentUnit;
// Counts the units begun, so that a watcher tells one unit's run from the next (the same
// unit may run again after a halt); bumped once the unit's counters and start are reset.
extern std::atomic<uint32_t> unitsBegun;
// The unit being computed, handed down to its search's solution sink or to task mode;
// progress reads its start and count.
extern UnitRun workerUnitRun;
// The solutions reported so far in the current unit.
inline std::atomic<int32_t>& solutionCount = workerUnitRun.solutions;

// Runs a whole unit in the state: 0 when its search has returned (finished or halted),
// 1 when the number names no unit.
using UnitRunner = int (*)(int32_t unit, SearchState& state);

// RunWorkUnit unless replaced; a test puts a short search in its place. nullptr restores it.
void SetUnitRunner(UnitRunner runner);

// The body of the worker thread (StartComputation creates it).
void WorkerThreadProc();

// Why the last computation ended, as its worker recorded it. Each front-end reports this
// cause and no other.
enum class ComputationEnd : int32_t {
    None,          // a computation runs, or none has ended since the last start
    QueueDone,     // the queue ran out
    Halted,        // the Stop command (a signal, quorbit-cli stop), or a stop asked while a unit ran
    NoUnit,        // the head entry names no unit ("Unimplemented"); it stays queued
    UnitRefused,   // the unit's routine refused its number ("Error"); it stays queued
    WriteFailed,   // a file of the user's could not be written (FormatWriteFailure says which
                   // and why); the unit being computed stays queued
    QueueNotKept,  // "WORKTOUR.INI" cannot be rewritten (FormatComputationEnd says why); nothing
                   // was computed
    TaskFailed,    // task mode could not use its checkpoint (said on the console); the unit
                   // stays queued
};
ComputationEnd LastComputationEnd();

// The unit the end concerns (the one that stays queued), or -1.
int32_t ComputationEndUnit();

// For an end that is a failure (WriteFailed, QueueNotKept): the one line that names the
// cause, without a line end, such as "Cannot write SOLUTION.TXT: No space left on device".
// Empty for any other end.
void FormatComputationEnd(char* out, size_t size);

// Forgets the last end and the recorded write failure: StartComputation calls it, so that
// a Continue tries every file again.
void ResetComputationEnd();

}  // namespace quorbit
