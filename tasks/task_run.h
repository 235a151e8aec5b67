// A task plan searched on several threads, each owning its own SearchState and taking the
// tasks in the plan's order. Results are handed on in that order, each as soon as every
// earlier task is done, so that what is reported is exactly what the single search reports.
// Long tasks are split into their own children, which threads with no task left share.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "tasks/task_plan.h"
#include "tasks/task_result.h"

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
    // Called last on every search thread RunTasks started (not the caller's), while the
    // thread still exists; may be null.
    void (*threadEnd)(void* context) = nullptr;
};

enum : uint8_t { TASK_WAITING, TASK_RUNNING, TASK_DONE, TASK_CAPPED, TASK_SKIPPED };

// A task a thread has split, its children shared with threads that have no task left.
// Guarded by the run's splitLock, but for `children`, which only its thread writes, while
// the slot is free.
struct TaskSplitSlot {
    uint64_t task;  // the task's index + 1; 0: the slot is free
    TaskPlan children;
    std::vector<TaskResult> results;  // per child
    uint64_t claimed;                 // children taken by a thread, in order
    uint64_t done;                    // children searched to their end
};

// Tasks that average at least this many own nodes are split (a whole unit's, not the few
// thousand nodes of a test's).
inline constexpr uint64_t SPLIT_ABOVE_NODES = uint64_t{1} << 22;

struct TaskRun {
    const TaskPlan* plan;
    int threadCount;
    // A node budget counted in the single search's order: the run ends right after the
    // single search's budget-th node, with its counts and tours up to there. 0: none.
    uint64_t budget;
    TaskOutput output;

    // Splitting, set by PrepareTaskRun and changeable before RunTasks: a task is searched as
    // its children, splitDepth (1 or 2) moves below it, while the tasks completed so far
    // average at least splitAbove own nodes (until one is complete, always). 0: never. Never
    // with a budget.
    uint64_t splitAbove;
    int splitDepth;

    std::unique_ptr<SearchState[]> states;  // one per thread, and one for re-running a task cut by the budget
    // Per thread, what it searches, in one word so that progress reads it whole: the task's
    // index + 1 (0 between tasks), the child's index + 1 (0 for a whole task), the prefix length.
    std::unique_ptr<std::atomic<uint64_t>[]> running;
    std::unique_ptr<std::atomic<uint64_t>[]> helped;  // per thread: children of other threads' tasks searched
    std::unique_ptr<TaskSplitSlot[]> splits;          // per thread
    std::mutex splitLock;
    std::atomic<int> deciding;  // threads that took a task and may still publish its children
    std::vector<TaskResult> results;
    std::unique_ptr<std::atomic<uint8_t>[]> status;
    // Per task, its own nodes once its status says it is done (for the estimate of the end).
    std::unique_ptr<std::atomic<uint64_t>[]> ownNodes;
    std::vector<uint8_t> alreadyOutput;  // results loaded as output by an earlier run
    std::atomic<uint64_t> nextTask;
    std::atomic<uint64_t> outputNext;      // the earliest task not yet handed on
    std::atomic<uint64_t> finishedOwnNodes;  // own nodes of every finished task and child (progress only)
    std::atomic<uint64_t> completedTasks;    // tasks complete, and their own nodes: when to split
    std::atomic<uint64_t> completedOwnNodes;
    std::atomic<uint64_t> progressShown;     // the largest node total progress has shown
    std::atomic<bool> haltRequested;
    std::atomic<bool> concluded;  // the output has reached the end or the budget

    std::mutex outputLock;
    TaskMerge merge;  // guarded by outputLock

    // When RunTasks returns: the single search's counters at the point reached, its outcome
    // (Finished, BudgetReached or Halted), and the solutions handed on.
    uint64_t counters[COUNTED_MOVES];
    SearchOutcome outcome;
};

// What a thread searches, packed in one word of TaskRun::running for progress: the task's
// index (stored + 1, 40 bits), the child's index + 1 (0 for a whole task; 18 bits: a split
// has at most 8^4 children) and the prefix's length (6 bits).
inline uint64_t RunningWord(uint64_t task, uint64_t child, int prefixLength) {
    return (task + 1) | (child << 40) | (static_cast<uint64_t>(prefixLength) << 58);
}

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

// For a progress line: the path of the earliest task not yet handed on (as a thread on it
// has it, or its prefix while it waits) and the nodes counted by all threads so far: never
// less than the last sample, and no node counted twice.
void TaskRunProgress(TaskRun& run, uint32_t path[SQUARE_COUNT], uint64_t& nodes);

}  // namespace quorbit
