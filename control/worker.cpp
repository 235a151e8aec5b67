#include "control/worker.h"

#include <cstdio>

#include "control/catalogue.h"
#include "control/computation.h"
#include "control/solution_report.h"
#include "control/trial_mark.h"
#include "control/unit_report.h"
#include "control/unit_tasks.h"
#include "control/work_queue.h"
#include "support/console.h"
#include "support/results_file.h"
#include "support/shell.h"
#include "support/ticks.h"

namespace quorbit {

SearchState workerSearchState{};
std::atomic<int32_t> currentUnit{-1};
std::atomic<uint32_t> unitStartTick{0};
std::atomic<int32_t> solutionCount{0};

namespace {

std::atomic<UnitRunner> unitRunner{RunWorkUnit};

bool StopRequested() { return (stopRequest.load() & 1u) != 0; }

// Everything a unit starts from, whatever an earlier unit (halted or not) left behind.
void ResetForUnit(SearchState& state) {
    unitStartTick.store(TickCount(), std::memory_order_relaxed);
    ClearNodeCounters(state);
    solutionCount.store(0, std::memory_order_relaxed);
    ResetSearchState(state);
    state.solutionSink = &ReportSolution;
    state.solutionContext = nullptr;
}

// The summary and the four lines of node counts, to the console and "SOLUTION.TXT".
void ReportUnitResults(const char* name, const SearchState& state, uint64_t cycles) {
    const int32_t elapsed = static_cast<int32_t>(TickCount() - unitStartTick.load(std::memory_order_relaxed));
    EmitUnitResults(name, elapsed, cycles, solutionCount.load(std::memory_order_relaxed), state, &ReportLine);
}

// Works through the queue until it is empty or a stop is asked.
void RunQueue(SearchState& state) {
    char entry[QUEUE_ENTRY_SIZE];
    // A stop asked between two units ends the computation before the next one; it is never
    // cleared here, so none can be lost.
    while (!StopRequested()) {
        if (!QueueEntry(0, entry, sizeof entry)) {
            if (taskThreads.load() > 0) DiscardFinishedCheckpoint();
            break;
        }
        currentUnit.store(EntryUnit(entry), std::memory_order_relaxed);
        ResetForUnit(state);
        // Cleared, then the halt looked at: a halt made at any moment is seen by one or the other.
        state.haltRequested.store(false);
        if (haltPending.load()) break;

        const int32_t unit = currentUnit.load(std::memory_order_relaxed);
        const char* name = UnitName(unit);
        if (name == nullptr) {
            ConsolePrint("Unimplemented\n");
            stopRequest.fetch_or(1);
            break;
        }
        ShellSetTitleStatus(name);
        char started[64];
        std::snprintf(started, sizeof started, "Computation of %s has started\n", name);
        ConsolePrint(started);

        if (taskThreads.load() > 0) {
            // Task mode writes its own results, resuming from and keeping its checkpoint.
            const UnitEnd end = ComputeUnitInTasks(unit);
            if (end == UnitEnd::Failed) stopRequest.fetch_or(1);
            if (end != UnitEnd::Written) break;
            RemoveQueueEntry(0);
            RemoveUnitCheckpoint();
            continue;
        }
        const uint64_t before = ReadCycleCounter();
        const int refused = unitRunner.load(std::memory_order_relaxed)(unit, state);
        const uint64_t after = ReadCycleCounter();
        if (refused == 1) {
            ConsolePrint("Error");
            stopRequest.fetch_or(1);
        }
        // Halted or stopped: nothing is written for the unit, and it stays at the head.
        if (StopRequested()) break;

        // From here the unit's results are written whole and it leaves the queue, even if a
        // halt arrives meanwhile; the halt then takes effect before the next unit.
        ReportTrialMarks(name);
        ReportUnitResults(name, state, after - before);
        RemoveQueueEntry(0);
        DiscardCheckpointOfUnit(unit);
    }
}

}  // namespace

void SetUnitRunner(UnitRunner runner) {
    unitRunner.store(runner != nullptr ? runner : RunWorkUnit, std::memory_order_relaxed);
}

void WorkerThreadProc() {
    do {
        RunQueue(workerSearchState);
        if (StopRequested()) {
            ConsolePrint("Execution halted.\n");
            ConsolePrint("Choose Test/Continue to restart.\n");
        }
        // Work queued while the queue looked empty is taken too. The idle state is shown by
        // whichever of the two threads ends last (see computation.cpp).
    } while (!EndWorker());
}

}  // namespace quorbit
