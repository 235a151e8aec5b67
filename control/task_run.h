// A task plan searched on several threads, each owning its own SearchState and taking the
// tasks in the plan's order. Results are handed on in that order, each as soon as every
// earlier task is done, so that what is reported is exactly what the single search reports.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "control/task_plan.h"
#include "control/task_result.h"

namespace quorbit {

inline constexpr int MAX_TASK_THREADS = 256;

struct TaskOutput {
    // Each task's result in the plan's order, once, never two at once, on whichever thread
    // completed the last task it waited for; `before` holds the totals of the earlier tasks.
    void (*task)(const TaskResult& result, const PlannedTask& planned, const TaskMerge& before, void* context);
    // Each task whose search finished, in any order, on the thread that searched it; may be null.
    void (*finished)(const TaskResult& result, void* context);
    // Called first on every search thread, the caller's included; may be null.
    void (*threadStart)(int threadCount, void* context);
    void* context;
};

enum : uint8_t { TASK_WAITING, TASK_RUNNING, TASK_DONE, TASK_CAPPED, TASK_SKIPPED };

struct TaskRun {
    const TaskPlan* plan;
    int threadCount;
    // A node budget counted in the single search's order: the run ends right after the
    // single search's budget-th node, with its counts and tours up to there. 0: none.
    uint64_t budget;
    TaskOutput output;

    std::unique_ptr<SearchState[]> states;  // one per thread, and one for re-running a task cut by the budget
    std::unique_ptr<std::atomic<uint64_t>[]> runningTask;  // per thread: the task's index + 1, 0 between tasks
    std::vector<TaskResult> results;
    std::unique_ptr<std::atomic<uint8_t>[]> status;
    std::vector<uint8_t> alreadyOutput;  // results loaded as output by an earlier run
    std::atomic<uint64_t> nextTask;
    std::atomic<uint64_t> outputNext;      // the earliest task not yet handed on
    std::atomic<uint64_t> finishedOwnNodes;  // own nodes of every finished task (progress only)
    std::atomic<bool> haltRequested;
    std::atomic<bool> concluded;  // the output has reached the end or the budget

    std::mutex outputLock;
    TaskMerge merge;  // guarded by outputLock

    // When RunTasks returns: the single search's counters at the point reached, its outcome
    // (Finished, BudgetReached or Halted), and the solutions handed on.
    uint64_t counters[COUNTED_MOVES];
    SearchOutcome outcome;
};

// Readies a run of the plan (which must outlive it) on threadCount threads (1..MAX_TASK_THREADS).
void PrepareTaskRun(TaskRun& run, const TaskPlan& plan, int threadCount, uint64_t budget, const TaskOutput& output);

// Before RunTasks: a result an earlier run completed (from a checkpoint). With wasOutput its
// tours were already reported: it is merged without being handed on. The results loaded as
// output must be the plan's first tasks.
void LoadTaskResult(TaskRun& run, TaskResult&& result, bool wasOutput);

// Searches on the calling thread and threadCount - 1 more, and returns when the tasks are
// all handed on, the budget is reached or a halt has taken effect.
SearchOutcome RunTasks(TaskRun& run);

// Asks every thread to stop within milliseconds; safe in a signal handler.
void HaltTaskRun(TaskRun& run);

// For a progress line: the path of the earliest task not yet handed on (as its thread
// has it, or its prefix while it waits) and the nodes counted by all threads so far.
void TaskRunProgress(TaskRun& run, uint32_t path[SQUARE_COUNT], uint64_t& nodes);

}  // namespace quorbit
