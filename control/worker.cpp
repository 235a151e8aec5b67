#include "control/worker.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "catalogue/catalogue.h"
#include "control/computation.h"
#include "control/compute_menu.h"
#include "control/work_queue.h"
#include "platform/ticks.h"
#include "results/solution_report.h"
#include "results/trial_mark.h"
#include "results/unit_report.h"
#include "support/console.h"
#include "support/results_file.h"
#include "support/shell.h"
#include "support/write_failure.h"
#include "tasks/checkpoint_discard.h"
#include "tasks/unit_tasks.h"

namespace quorbit {

SearchState workerSearchState{};
std::atomic<int32_t> currentUnit{-1};
std::atomic<uint32_t> unitsBegun{0};
UnitRun workerUnitRun{.stopRequest = &stopRequest, .haltPending = &haltPending};

namespace {

std::atomic<UnitRunner> unitRunner{RunWorkUnit};

// Why the computation ended; the text of a queue that cannot be kept, under its lock.
std::atomic<ComputationEnd> computationEnd{ComputationEnd::None};
std::atomic<int32_t> endUnit{-1};
std::mutex endTextLock;
char endText[512];

bool StopRequested() { return UnitStopAsked(workerUnitRun); }

// Everything a unit starts from, whatever an earlier unit (halted or not) left behind.
void ResetForUnit(SearchState& state) {
    workerUnitRun.startTick.store(TickCount(), std::memory_order_relaxed);
    ClearNodeCounters(state);
    // The estimate of the unit's end follows the search along its path: none of an earlier
    // unit's squares may be taken for this one's.
    for (auto& square : state.path) square.store(0, std::memory_order_relaxed);
    workerUnitRun.solutions.store(0, std::memory_order_relaxed);
    ResetSearchState(state);
    state.solutionSink = &ReportSolution;
    state.solutionContext = &workerUnitRun;
    unitsBegun.fetch_add(1);
}

// The unit's results as they go to "SOLUTION.TXT"; the worker's thread only.
std::string* unitResults = nullptr;

void ShowAndCollect(const char* line) {
    ConsolePrint(line);
    *unitResults += line;
}

// A trial run's marks, the summary and the four lines of node counts: each on the console,
// then all of them in one append to "SOLUTION.TXT", so that the file holds the whole of them
// or none. True once they are on disk.
bool ReportUnitResults(const char* name, const SearchState& state, uint64_t cycles) {
    const int32_t elapsed = UnitElapsedMs(workerUnitRun);
    char marks[256];
    FormatTrialMarks(name, marks, sizeof marks);
    if (marks[0] != '\0') ConsolePrint(marks);
    std::string results = marks;
    unitResults = &results;
    EmitUnitResults(name, elapsed, cycles, workerUnitRun.solutions.load(std::memory_order_relaxed), state, &ShowAndCollect);
    unitResults = nullptr;
    return AppendResultsFile(results.c_str());
}

// Records why the computation ends and which unit stays queued.
ComputationEnd Ended(ComputationEnd why, int32_t unit) {
    endUnit.store(unit);
    computationEnd.store(why);
    return why;
}

// A failure: the computation ends, and the unit stays at the head of the queue.
ComputationEnd Failed(ComputationEnd why, int32_t unit) {
    stopRequest.fetch_or(1);
    return Ended(why, unit);
}

// A stop: a write failure recorded meanwhile is the cause to report, else the halt.
ComputationEnd Stopped(int32_t unit) {
    return Ended(WriteFailed() ? ComputationEnd::WriteFailed : ComputationEnd::Halted, unit);
}

// The queue's file says why it cannot be kept; the console shows it.
ComputationEnd QueueNotKept(int32_t unit, const char* why) {
    {
        std::lock_guard<std::mutex> hold(endTextLock);
        std::snprintf(endText, sizeof endText, "%s", why);
        const size_t length = std::strlen(endText);
        if (length > 0 && endText[length - 1] == '\n') endText[length - 1] = '\0';
    }
    ConsolePrint(why);
    return Failed(ComputationEnd::QueueNotKept, unit);
}

// The unit's results are written but "WORKTOUR.INI" still holds it: the computation ends
// rather than compute it, or the next unit, again and again.
ComputationEnd RemovalFailed(int32_t unit) {
    char why[512];
    if (!WriteFailed() && !QueueFileKept(why, sizeof why)) return QueueNotKept(unit, why);
    if (!WriteFailed()) NoteWriteFailure(QUEUE_FILE, EIO);
    return Failed(ComputationEnd::WriteFailed, unit);
}

// Works through the queue until it is empty, a stop is asked or something fails; returns why
// it ended (also recorded for LastComputationEnd).
ComputationEnd RunQueue(SearchState& state) {
    char entry[QUEUE_ENTRY_SIZE];
    char why[512];
    // A stop asked between two units ends the computation before the next one; it is never
    // cleared here, so none can be lost.
    for (;;) {
        if (StopRequested()) return Stopped(-1);  // between two units: none is left half done
        // A file that could not be written, by this computation or meanwhile by another
        // thread (a setting): nothing more is computed until a Continue tries again.
        if (WriteFailed()) return Failed(ComputationEnd::WriteFailed, -1);
        if (!QueueEntry(0, entry, sizeof entry)) {
            if (taskThreads.load() > 0) DiscardFinishedCheckpoint();
            return Ended(ComputationEnd::QueueDone, -1);
        }
        currentUnit.store(EntryUnit(entry), std::memory_order_relaxed);
        ResetForUnit(state);
        // Cleared, then the halt looked at: a halt made at any moment is seen by one or the other.
        state.haltRequested.store(false);
        const int32_t unit = currentUnit.load(std::memory_order_relaxed);
        if (haltPending.load()) return Stopped(unit);

        // A unit computed now could never leave a file that cannot be rewritten.
        if (!QueueFileKept(why, sizeof why)) return QueueNotKept(unit, why);
        const char* name = UnitName(unit);
        if (name == nullptr) {
            ConsolePrint("Unimplemented\n");
            return Failed(ComputationEnd::NoUnit, -1);
        }
        ShellSetTitleStatus(name);
        char started[64];
        std::snprintf(started, sizeof started, "Computation of %s has started\n", name);
        ConsolePrint(started);

        if (taskThreads.load() > 0) {
            // Task mode writes its own results, resuming from and keeping its checkpoint.
            const UnitEnd end = ComputeUnitInTasks(unit, workerUnitRun);
            if (end == UnitEnd::Failed)
                return Failed(WriteFailed() ? ComputationEnd::WriteFailed : ComputationEnd::TaskFailed, unit);
            if (end != UnitEnd::Written) return Stopped(unit);
            // The checkpoint, whose last mark says the results are written, goes only once
            // the queue no longer holds the unit.
            if (!RemoveQueueEntry(0)) return RemovalFailed(unit);
            RemoveUnitCheckpoint();
            continue;
        }
        const uint64_t before = ReadCycleCounter();
        const int refused = unitRunner.load(std::memory_order_relaxed)(unit, state);
        const uint64_t after = ReadCycleCounter();
        if (refused == 1) {
            ConsolePrint("Error");
            return Failed(ComputationEnd::UnitRefused, unit);
        }
        // Halted, stopped, or a tour that could not be written: nothing more is written for
        // the unit, and it stays at the head.
        if (StopRequested()) return Stopped(unit);

        // From here the unit's results are written whole and it leaves the queue, even if a
        // halt arrives meanwhile; the halt then takes effect before the next unit. It leaves
        // only once they are on disk.
        if (!ReportUnitResults(name, state, after - before)) return Failed(ComputationEnd::WriteFailed, unit);
        const bool removed = RemoveQueueEntry(0);
        DiscardCheckpointOfUnit(unit);
        if (!removed) return RemovalFailed(unit);
    }
}

// A failure that the user must act on is also shown by the front-end: a message box on the
// desktop (the console program says it on standard error itself and shows no box).
void ShowFailedEnd(ComputationEnd end) {
    if (end != ComputationEnd::WriteFailed && end != ComputationEnd::QueueNotKept) return;
    char cause[600];
    FormatComputationEnd(cause, sizeof cause);
    char message[800];
    std::snprintf(message, sizeof message, "%s\n\nThe computation has halted%s.", cause,
                  end == ComputationEnd::WriteFailed ? "; the unit being computed stays queued" : "");
    ShellShowMessage(message, PROGRAM_TITLE);
}

}  // namespace

void SetUnitRunner(UnitRunner runner) {
    unitRunner.store(runner != nullptr ? runner : RunWorkUnit, std::memory_order_relaxed);
}

void WorkerThreadProc() {
    do {
        const ComputationEnd end = RunQueue(workerSearchState);
        if (StopRequested()) {
            ConsolePrint("Execution halted.\n");
            ConsolePrint("Choose Test/Continue to restart.\n");
        }
        ShowFailedEnd(end);
        // Work queued while the queue looked empty is taken too. The idle state is shown by
        // whichever of the two threads ends last (see computation.cpp).
    } while (!EndWorker());
}

ComputationEnd LastComputationEnd() { return computationEnd.load(); }

int32_t ComputationEndUnit() { return endUnit.load(); }

void FormatComputationEnd(char* out, size_t size) {
    if (out == nullptr || size == 0) return;
    out[0] = '\0';
    switch (computationEnd.load()) {
        case ComputationEnd::WriteFailed:
            FormatWriteFailure(out, size);
            return;
        case ComputationEnd::QueueNotKept: {
            std::lock_guard<std::mutex> hold(endTextLock);
            std::snprintf(out, size, "%s", endText);
            return;
        }
        default:
            return;
    }
}

void ResetComputationEnd() {
    ClearWriteFailure();
    endUnit.store(-1);
    computationEnd.store(ComputationEnd::None);
}

}  // namespace quorbit
