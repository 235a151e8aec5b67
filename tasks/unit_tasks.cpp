#include "tasks/unit_tasks.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "platform/files.h"
#include "platform/ticks.h"
#include "results/announced_lines.h"
#include "results/trial_mark.h"
#include "results/unit_report.h"
#include "search/subtree_search.h"
#include "support/console.h"
#include "support/results_file.h"
#include "support/write_failure.h"
#include "tasks/checkpoint.h"
#include "tasks/checkpoint_discard.h"
#include "tasks/kill_points.h"
#include "tasks/search_threads.h"
#include "tasks/task_lines.h"
#include "tasks/task_record.h"

namespace quorbit {

std::atomic<int32_t> taskThreads{0};
namespace {

// The run other threads may reach; changed and used under its lock, so that none of them
// touches a run the worker is making ready for the next unit.
std::mutex shownLock;
TaskRun* shownRun = nullptr;

void ShowRun(TaskRun* run) {
    std::lock_guard<std::mutex> hold(shownLock);
    shownRun = run;
}

constexpr uint32_t TIME_MARK_INTERVAL_MS = 2000;  // the time a crash can lose

// Everything about the unit being computed; one unit at a time, on the worker's thread.
struct UnitTasks {
    int32_t unit;
    const char* name;
    UnitRun* context;  // the unit's start, its tour count and the computation's stop
    TaskPlan plan;
    TaskRun run;
    CheckpointWriter checkpoint;
    uint64_t cyclesBefore;  // the cycles of earlier runs of the unit
    uint64_t cycleStart;
    uint32_t lastMarkTick;
    uint64_t reportedBefore;  // the tasks before this one had their lines written by an earlier run
    bool linesUnsynced;  // lines were written since "SOLUTION.TXT" and "LOGSOL.TXT" were last synced
    std::atomic<bool> failed;  // a file could not be written: the unit is halted, said once
    SearchState lines;  // holds a tour's squares while its line is formatted
};

uint64_t CyclesSoFar(const UnitTasks& u) { return u.cyclesBefore + (ReadCycleCounter() - u.cycleStart); }


// A file of the unit could not be written (its failure is recorded): every thread is halted,
// nothing more is written, and the unit ends as failed, still queued, its checkpoint kept.
void FailUnit(UnitTasks& u) {
    if (u.failed.exchange(true)) return;
    HaltTaskRun(u.run);
}

void FailCheckpoint(UnitTasks& u) {
    NoteWriteFailure(CHECKPOINT_FILE, u.checkpoint.error);
    FailUnit(u);
}

// The size of "SOLUTION.TXT": where the next lines written to it begin.
uint64_t ResultsFileSize() {
    uint64_t size = 0;
    return FileSize(RESULTS_FILE, size) ? size : 0;
}

// Puts the lines written so far on disk. False (the failure recorded) when that fails.
bool SyncFile(const char* name) { return SyncNamedFile(name) || errno == ENOENT || NoteWriteFailure(name, errno); }

bool SyncResultLines(UnitTasks& u) {
    if (!u.linesUnsynced) return true;
    if (!SyncFile(RESULTS_FILE) || !SyncFile(SOLUTION_LOG_FILE)) {
        FailUnit(u);
        return false;
    }
    u.linesUnsynced = false;
    return true;
}

// A mark supersedes the lines announced before it, so it is written only once they are on
// disk: a resumed run takes every line before its mark as written without looking.
bool Mark(UnitTasks& u, uint64_t from, uint64_t to, bool summary, int32_t elapsedMs, uint64_t cycles) {
    if (u.failed.load() || !SyncResultLines(u)) return false;
    u.lastMarkTick = TickCount();
    const CheckpointMark mark{from, to, static_cast<uint8_t>(summary ? 1 : 0), static_cast<uint32_t>(elapsedMs), cycles,
                              from < to || summary ? ResultsFileSize() : 0};
    if (AppendCheckpoint(u.checkpoint, CHECKPOINT_MARK_KIND, EncodeCheckpointMark(mark))) return true;
    FailCheckpoint(u);
    return false;
}

// Writes lines to "SOLUTION.TXT" (and "LOGSOL.TXT" for tours). False when one could not be
// written: the unit is then failed.
bool WriteLines(UnitTasks& u, const std::vector<std::string>& lines, size_t from, bool log) {
    u.linesUnsynced = true;
    bool written = true;
    for (size_t i = from; written && i < lines.size(); ++i) {
        written = ReportLine(lines[i].c_str());
        if (written) PassLineKillPoint();
    }
    for (size_t i = 0; log && written && i < lines.size(); ++i) {
        std::string logged = lines[i];
        written = LogSolutionLine(logged.data());
    }
    if (written) return true;
    FailUnit(u);
    return false;
}

// In the plan's order: a task's tours, announced in the checkpoint before their lines are written.
void ReportTask(const TaskResult& result, const PlannedTask& planned, const TaskMerge& before, void* context) {
    auto& u = *static_cast<UnitTasks*>(context);
    if (u.failed.load()) return;
    if (result.solutions.empty()) {
        if (TickCount() - u.lastMarkTick >= TIME_MARK_INTERVAL_MS)
            Mark(u, result.index + 1, result.index + 1, false, UnitElapsedMs(*u.context), CyclesSoFar(u));
        return;
    }
    const int32_t elapsed = UnitElapsedMs(*u.context);
    if (!Mark(u, result.index, result.index + 1, false, elapsed, CyclesSoFar(u))) return;
    if (!WriteLines(u, TaskSolutionLines(result, planned, before, elapsed, u.lines), 0, true)) return;
    u.context->solutions.store(before.solutions + static_cast<int32_t>(result.solutions.size()),
                               std::memory_order_relaxed);
}

void KeepTask(const TaskResult& result, void* context) {
    auto& u = *static_cast<UnitTasks*>(context);
    if (!u.failed.load() && !AppendCheckpoint(u.checkpoint, TASK_RESULT_KIND, EncodeTaskResult(result), false))
        FailCheckpoint(u);
}

// Writes the lines the last mark announced that were not written yet. False when one
// cannot be written (the unit is then failed).
bool CompleteAnnouncedLines(UnitTasks& u, const std::vector<std::string>& announced, uint64_t offset, bool solutions) {
    // The log keeps each line once: adding all again changes nothing for those already in it.
    return WriteLines(u, announced, LinesWrittenAt(RESULTS_FILE, offset, announced), solutions);
}

std::vector<std::string> SummaryLines(const UnitTasks& u, int32_t elapsedMs, uint64_t cycles, int32_t solutions,
                                      const SearchState& counts) {
    static std::vector<std::string>* collected = nullptr;
    std::vector<std::string> lines;
    // A trial run's marks come first, each a line of its own, announced with the summary.
    char marks[256];
    FormatTrialMarks(u.name, marks, sizeof marks);
    for (const char* line = marks; *line != '\0';) {
        const char* end = std::strchr(line, '\n');
        const size_t length = end != nullptr ? static_cast<size_t>(end - line) + 1 : std::strlen(line);
        lines.emplace_back(line, length);
        line += length;
    }
    collected = &lines;
    EmitUnitResults(u.name, elapsedMs, cycles, solutions, counts, [](const char* line) { collected->emplace_back(line); });
    return lines;
}

// Where each task's record is among the checkpoint's (-1: none). False when a record names
// a task of another cut.
bool IndexTasks(const TaskPlan& plan, const CheckpointContents& contents, std::vector<long>& where) {
    where.assign(plan.tasks.size(), -1);
    for (size_t k = 0; k < contents.tasks.size(); ++k) {
        const TaskResult& task = contents.tasks[k];
        if (task.index >= plan.tasks.size() ||
            std::memcmp(task.prefix, plan.tasks[task.index].prefix, static_cast<size_t>(plan.cut.cutMove)) != 0)
            return false;
        if (where[task.index] < 0) where[task.index] = static_cast<long>(k);
    }
    return true;
}

// Reads the checkpoint and checks it against the unit. Returns true to resume from it; false
// to start afresh (there was none, or it was refused, said and set aside). failed: it can be
// neither used nor set aside.
bool CheckpointFits(UnitTasks& u, const uint8_t* base, int baseLength, CheckpointContents& contents,
                    std::vector<long>& where, bool& failed) {
    failed = false;
    std::vector<uint8_t> bytes;
    bool exists = false;
    bool regular = true;
    if (!ReadWholeFile(CHECKPOINT_FILE, bytes, exists, regular)) {
        // A folder, say: it can be neither resumed from nor written.
        NoteWriteFailure(CHECKPOINT_FILE, errno);
        failed = true;
        return false;
    }
    if (!exists) return false;
    char why[200] = "";
    const WorkUnit& work = workUnits[u.unit];
    if (!regular) {
        std::snprintf(why, sizeof why, "it is not a regular file");
    } else if (ParseCheckpoint(bytes.data(), bytes.size(), contents, why, sizeof why)) {
        if (!contents.headed) return false;  // made and never written: nothing to keep
        const CheckpointHeader& header = contents.header;
        if (header.unit != static_cast<uint32_t>(u.unit) && AnnouncedItsSummary(contents)) {
            // Its unit's results are all written and it left the queue: nothing in it is needed.
            RemoveFile(CHECKPOINT_FILE);
            return false;
        }
        if (header.unit != static_cast<uint32_t>(u.unit)) {
            std::snprintf(why, sizeof why, "it belongs to unit %s",
                          UnitName(static_cast<int32_t>(header.unit)) != nullptr ? UnitName(static_cast<int32_t>(header.unit)) : "?");
        } else if (std::strcmp(header.program, CheckpointProgramVersion()) != 0) {
            std::snprintf(why, sizeof why, "it was written by version %s of the program, this is %s", header.program,
                          CheckpointProgramVersion());
        } else if (!PlanTasks(u.plan, work.start, work.end, base, baseLength, static_cast<int>(header.cutMove)) ||
                   u.plan.tasks.size() != header.taskCount || u.plan.cut.shallowCounted != header.shallowCounted ||
                   !IndexTasks(u.plan, contents, where)) {
            std::snprintf(why, sizeof why, "its tasks are not this unit's");
        } else {
            return true;
        }
    }
    char aside[64];
    char line[400];
    if (!SetCheckpointAside(CHECKPOINT_FILE, aside, sizeof aside)) {
        const int error = errno;
        std::snprintf(line, sizeof line, "The checkpoint CHECKPT.DAT cannot be used for %s: %s.\n", u.name, why);
        ConsolePrint(line);
        NoteWriteFailure(CHECKPOINT_FILE, error);
        failed = true;
        return false;
    }
    std::snprintf(line, sizeof line,
                  "The checkpoint CHECKPT.DAT is not used for %s: %s. It is kept as %s, and %s is computed from its "
                  "beginning.\n",
                  u.name, why, aside, u.name);
    ConsolePrint(line);
    return false;
}

// Resuming: what an earlier run left is loaded, and the lines its last mark announced are
// completed. Returns true when that was the unit's summary: the unit is then written (or
// failed, when a line could not be written).
bool Resume(UnitTasks& u, CheckpointContents& contents, const std::vector<long>& where) {
    const CheckpointMark mark = contents.marked ? contents.lastMark : CheckpointMark{};
    u.context->startTick.store(TickCount() - mark.elapsedMs, std::memory_order_relaxed);
    u.cyclesBefore = mark.cycles;
    // The tasks before the announced ones were reported; merged, they give the numbers and totals.
    TaskMerge before{};
    bool complete = true;
    for (uint64_t i = 0; i < mark.outputFrom && complete; ++i) {
        if (where[i] < 0) complete = false;
        else MergeTask(before, contents.tasks[static_cast<size_t>(where[i])]);
    }
    std::vector<std::string> announced;
    for (uint64_t i = mark.outputFrom; i < mark.outputTo && complete; ++i) {
        if (where[i] < 0) {
            complete = false;
            break;
        }
        const TaskResult& task = contents.tasks[static_cast<size_t>(where[i])];
        const std::vector<std::string> lines =
            TaskSolutionLines(task, u.plan.tasks[i], before, static_cast<int32_t>(mark.elapsedMs), u.lines);
        announced.insert(announced.end(), lines.begin(), lines.end());
        MergeTask(before, task);
    }
    if (mark.summary != 0) {
        for (uint64_t i = mark.outputTo; i < u.plan.tasks.size() && complete; ++i) {
            if (where[i] < 0) complete = false;
            else MergeTask(before, contents.tasks[static_cast<size_t>(where[i])]);
        }
    }
    if (!complete) {
        ConsolePrint("The checkpoint CHECKPT.DAT lacks tasks it reported: its tours are reported again.\n");
        return false;
    }
    if (mark.summary != 0) {
        uint64_t counters[COUNTED_MOVES];
        UnitCountsAt(u.plan, u.plan.cut.shallowCounted, before, counters);
        for (int k = 0; k < COUNTED_MOVES; ++k) u.lines.nodeCounters[k].store(counters[k], std::memory_order_relaxed);
        if (CompleteAnnouncedLines(u, SummaryLines(u, static_cast<int32_t>(mark.elapsedMs), mark.cycles, before.solutions, u.lines),
                                   mark.resultsOffset, false))
            SyncResultLines(u);
        return true;
    }
    if (!CompleteAnnouncedLines(u, announced, mark.resultsOffset, true)) return false;
    u.reportedBefore = mark.outputTo;
    u.context->solutions.store(before.solutions, std::memory_order_relaxed);
    for (size_t k = 0; k < contents.tasks.size(); ++k) {
        const uint64_t index = contents.tasks[k].index;
        if (where[index] != static_cast<long>(k)) continue;  // a task recorded twice counts once
        LoadTaskResult(u.run, std::move(contents.tasks[k]), index < mark.outputTo);
    }
    return false;
}

}  // namespace


UnitEnd ComputeUnitInTasks(int32_t unit, UnitRun& context) {
    static UnitTasks tasks;  // large, and one unit is computed at a time
    UnitTasks& u = tasks;
    u.unit = unit;
    u.name = UnitName(unit);
    u.context = &context;
    const WorkUnit& work = workUnits[unit];
    uint8_t base[HOOK_MOVE];
    const int baseLength = UnitSearchBase(unit, base);

    static CheckpointContents contents;
    std::vector<long> where;
    bool failed = false;
    u.failed.store(false);
    u.linesUnsynced = false;
    u.reportedBefore = 0;
    const bool resume = CheckpointFits(u, base, baseLength, contents, where, failed);
    if (failed) return UnitEnd::Failed;
    if (!resume) {
        contents = CheckpointContents{};
        PlanTasks(u.plan, work.start, work.end, base, baseLength,
                  ChooseCutMove(work.start, work.end, base, baseLength, TasksAimedAt(taskThreads.load())));
    }
    const int32_t threads = taskThreads.load();
    PrepareTaskRun(u.run, u.plan, threads, taskNodeLimit.load(),
                   TaskOutput{&ReportTask, &KeepTask, &StartSearchThread, &u, &EndSearchThread});
    context.startTick.store(TickCount(), std::memory_order_relaxed);
    u.cyclesBefore = 0;
    u.cycleStart = ReadCycleCounter();
    u.lastMarkTick = TickCount();
    CheckpointHeader header{};
    header.unit = static_cast<uint32_t>(unit);
    header.cutMove = static_cast<uint32_t>(u.plan.cut.cutMove);
    header.taskCount = u.plan.tasks.size();
    header.shallowCounted = u.plan.cut.shallowCounted;
    std::snprintf(header.program, sizeof header.program, "%s", CheckpointProgramVersion());
    if (!OpenCheckpoint(u.checkpoint, CHECKPOINT_FILE, resume ? contents.wholeBytes : 0, header)) {
        NoteWriteFailure(CHECKPOINT_FILE, u.checkpoint.error);
        return UnitEnd::Failed;
    }
    if (resume && Resume(u, contents, where)) {
        CloseCheckpoint(u.checkpoint);
        return u.failed.load() ? UnitEnd::Failed : UnitEnd::Written;
    }
    contents = CheckpointContents{};
    if (u.failed.load()) {
        CloseCheckpoint(u.checkpoint);
        return UnitEnd::Failed;
    }

    ShowRun(&u.run);
    // Stored, then the halt looked at: a halt made at any moment is seen by one or the other.
    if (HaltBeforeSearch()) AskUnitStop(context);  // the tests' build only: as a Stop at this moment
    if (context.haltPending->load() || HaltBeforeSearch()) HaltTaskRun(u.run);
    BeginSearchThreads(u.run.threadCount);
    const SearchOutcome outcome = RunTasks(u.run);
    ForgetSearchThreads();
    ShowRun(nullptr);
    const int32_t elapsed = UnitElapsedMs(context);
    const uint64_t cycles = CyclesSoFar(u);
    const uint64_t count = u.plan.tasks.size();
    if (!u.failed.load() && (outcome == SearchOutcome::Halted || UnitStopAsked(context))) {
        // The time spent is kept for the next run. A run halted before it handed on the tasks
        // an earlier run reported has not reached them, but they were reported all the same.
        const uint64_t reached = std::max(u.run.outputNext.load(), u.reportedBefore);
        Mark(u, reached, reached, false, elapsed, cycles);
        if (!CloseCheckpoint(u.checkpoint)) FailCheckpoint(u);
        return u.failed.load() ? UnitEnd::Failed : UnitEnd::Stopped;
    }
    if (!u.failed.load()) {
        for (int k = 0; k < COUNTED_MOVES; ++k) u.lines.nodeCounters[k].store(u.run.counters[k], std::memory_order_relaxed);
        const std::vector<std::string> lines = SummaryLines(u, elapsed, cycles, u.run.merge.solutions, u.lines);
        // The unit leaves the queue once this returns: its lines are on disk first.
        if (Mark(u, count, count, true, elapsed, cycles) && WriteLines(u, lines, 0, false)) SyncResultLines(u);
    }
    if (!CloseCheckpoint(u.checkpoint) && !u.failed.load()) FailCheckpoint(u);
    return u.failed.load() ? UnitEnd::Failed : UnitEnd::Written;
}

void HaltWorkerTaskRun() {
    std::lock_guard<std::mutex> hold(shownLock);
    if (shownRun != nullptr) HaltTaskRun(*shownRun);
}

bool WithWorkerTaskRun(void (*use)(TaskRun& run, void* context), void* context) {
    std::lock_guard<std::mutex> hold(shownLock);
    if (shownRun == nullptr) return false;
    use(*shownRun, context);
    return true;
}

int UnitSearchBase(int32_t unit, uint8_t base[HOOK_MOVE]) {
    const int32_t moves = unitPrefixMoves.load();
    base[0] = workUnits[unit].start;
    return moves > 1 ? UnitFirstMoves(unit, moves, base) : 1;
}

bool SampleWorkerTaskRun(uint32_t path[SQUARE_COUNT], uint64_t& nodes) {
    std::lock_guard<std::mutex> hold(shownLock);
    if (shownRun == nullptr) return false;
    TaskRunProgress(*shownRun, path, nodes);
    return true;
}

}  // namespace quorbit
