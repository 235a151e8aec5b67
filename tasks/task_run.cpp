#include "tasks/task_run.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/threads.h"
#include "tasks/task_split.h"

namespace quorbit {

namespace {

struct ThreadSlot {
    TaskRun* run;
    int index;
};

const PlannedTask& Planned(const TaskRun& run, uint64_t i) { return run.plan->tasks[i]; }
uint64_t TaskCount(const TaskRun& run) { return run.plan->tasks.size(); }

SearchOutcome Search(TaskRun& run, SearchState& state, uint64_t i, uint64_t ownBudget, TaskResult& result) {
    const SubtreeCut& cut = run.plan->cut;
    result.index = i;
    return RunTask(state, cut.start, cut.end, Planned(run, i).prefix, cut.cutMove, ownBudget, result);
}

// The single search's counters at the point reached: the nodes above the cut it counted up
// to there, and the merged tasks' own nodes. The caller holds outputLock.
void Conclude(TaskRun& run, uint64_t shallowNodes, SearchOutcome outcome) {
    UnitCountsAt(*run.plan, shallowNodes, run.merge, run.counters);
    run.outcome = outcome;
    run.concluded.store(true);
    HaltTaskRun(run);  // the other threads' work is no longer needed
}

// Hands on, in order, every task whose turn has come. The caller holds outputLock.
void HandOnReady(TaskRun& run) {
    const uint64_t count = TaskCount(run);
    const uint64_t budget = run.budget;
    // After a halt nothing more is handed on, so that what was handed on is exactly the tasks
    // before outputNext (a resumed run relies on it).
    while (!run.concluded.load() && !run.haltRequested.load()) {
        const uint64_t i = run.outputNext.load();
        // The single search's budget-th node lies above the cut, before this task (or after the last).
        const uint64_t shallowBefore = i < count ? Planned(run, i).shallowBefore : run.plan->cut.shallowCounted;
        if (budget != 0 && budget <= shallowBefore + run.merge.ownTotal) {
            Conclude(run, budget - run.merge.ownTotal, SearchOutcome::BudgetReached);
            return;
        }
        if (i == count) {
            Conclude(run, shallowBefore, SearchOutcome::Finished);
            return;
        }
        const uint8_t status = run.status[i].load(std::memory_order_acquire);
        if (status != TASK_DONE && status != TASK_CAPPED) return;
        TaskResult& result = run.results[i];
        bool last = false;
        if (budget != 0) {
            const uint64_t left = budget - shallowBefore - run.merge.ownTotal;
            if (left <= OwnNodeTotal(result)) {
                // The budget ends inside this task: its counts and tours as far as the single search goes.
                last = true;
                if (!(status == TASK_CAPPED && OwnNodeTotal(result) == left)) {
                    SearchState& spare = run.states[run.threadCount];
                    if (Search(run, spare, i, left, result) == SearchOutcome::Halted) return;
                }
            }
        }
        if (!run.alreadyOutput[i] && run.output.task != nullptr) run.output.task(result, Planned(run, i), run.merge, run.output.context);
        MergeTask(run.merge, result);
        result.solutions = {};
        run.outputNext.store(i + 1);
        if (last) {
            Conclude(run, shallowBefore, SearchOutcome::BudgetReached);
            return;
        }
    }
}

// Marks the thread's state as searching `word`; its counters are cleared first, so that
// progress never takes the previous search's nodes for the new one's.
void BeginRunning(TaskRun& run, int thread, uint64_t word) {
    ClearNodeCounters(run.states[thread]);
    run.running[thread].store(word);
}

// A task's search is complete: recorded, counted, and handed on when its turn has come.
void CompleteTask(TaskRun& run, uint64_t i, TaskResult&& result, SearchOutcome outcome) {
    if (outcome == SearchOutcome::Finished) {
        run.completedOwnNodes.fetch_add(OwnNodeTotal(result), std::memory_order_relaxed);
        run.completedTasks.fetch_add(1, std::memory_order_relaxed);
        if (run.output.finished != nullptr) run.output.finished(result, run.output.context);
    }
    run.ownNodes[i].store(OwnNodeTotal(result), std::memory_order_relaxed);
    std::lock_guard<std::mutex> hold(run.outputLock);
    run.results[i] = std::move(result);
    run.status[i].store(outcome == SearchOutcome::Finished ? TASK_DONE : TASK_CAPPED, std::memory_order_release);
    HandOnReady(run);
}

// Splitting pays a cut walk per task and a prefix walk per child: only for long tasks.
bool ShouldSplit(TaskRun& run, int thread) {
    if (run.splitAbove == 0 || run.budget != 0 || run.plan->cut.cutMove + run.splitDepth > HOOK_MOVE) return false;
    const uint64_t completed = run.completedTasks.load(std::memory_order_relaxed);
    if (completed != 0 && run.completedOwnNodes.load(std::memory_order_relaxed) / completed < run.splitAbove) return false;
    std::lock_guard<std::mutex> hold(run.splitLock);
    return run.splits[thread].task == 0;  // its last split's children may still be searched by others
}

struct ChildClaim {
    int slot;
    uint64_t task;
    uint64_t child;
};

// Takes the next child of the thread's own split (slot >= 0) or of the earliest split with
// children left. The caller holds splitLock.
bool ClaimChild(TaskRun& run, int slot, ChildClaim& claim) {
    int chosen = -1;
    for (int t = 0; t < run.threadCount; ++t) {
        const TaskSplitSlot& split = run.splits[t];
        if ((slot >= 0 && t != slot) || split.task == 0 || split.claimed == split.children.tasks.size()) continue;
        if (chosen < 0 || split.task < run.splits[chosen].task) chosen = t;
    }
    if (chosen < 0) return false;
    TaskSplitSlot& split = run.splits[chosen];
    claim = ChildClaim{chosen, split.task - 1, split.claimed++};
    return true;
}

// Searches a claimed child; the thread that completes the last one puts the task together
// and completes it. False when halted: the task is then not complete.
bool SearchChild(TaskRun& run, int thread, const ChildClaim& claim) {
    TaskSplitSlot& split = run.splits[claim.slot];
    const SubtreeCut& cut = split.children.cut;  // stays while a child is unfinished
    const int length = cut.cutMove;
    BeginRunning(run, thread, RunningWord(claim.task, claim.child + 1, length));
    TaskResult child{};
    const SearchOutcome outcome = RunTask(run.states[thread], cut.start, cut.end,
                                          split.children.tasks[claim.child].prefix, length, 0, child);
    run.running[thread].store(0);
    if (outcome == SearchOutcome::Halted) return false;
    if (claim.slot != thread) run.helped[thread].fetch_add(1, std::memory_order_relaxed);
    run.finishedOwnNodes.fetch_add(OwnNodeTotal(child), std::memory_order_relaxed);
    TaskResult task{};
    uint64_t aboveChildren = 0;
    {
        std::lock_guard<std::mutex> hold(run.splitLock);
        split.results[claim.child] = std::move(child);
        if (++split.done < split.children.tasks.size()) return true;
        AssembleTaskResult(split.children, split.results.data(), task);
        // The task's own nodes the cut counted: its last move's and those down to the children.
        aboveChildren = cut.shallowCounted - static_cast<uint64_t>(cut.prefixLength - 1);
        split.results.clear();
        split.task = 0;
    }
    run.finishedOwnNodes.fetch_add(aboveChildren, std::memory_order_relaxed);
    task.index = claim.task;
    CompleteTask(run, claim.task, std::move(task), SearchOutcome::Finished);
    return true;
}

// Cuts task i into children in the thread's slot and publishes them (a task without any is
// complete at once). False when it cannot be cut: it is to be searched whole.
bool PublishChildren(TaskRun& run, int thread, uint64_t i) {
    TaskSplitSlot& split = run.splits[thread];
    if (!CutTaskChildren(split.children, run.plan->cut, Planned(run, i).prefix, run.splitDepth)) return false;
    const uint64_t count = split.children.tasks.size();
    if (count == 0) {
        TaskResult task{};
        AssembleTaskResult(split.children, nullptr, task);
        run.finishedOwnNodes.fetch_add(OwnNodeTotal(task), std::memory_order_relaxed);
        task.index = i;
        CompleteTask(run, i, std::move(task), SearchOutcome::Finished);
        return true;
    }
    std::lock_guard<std::mutex> hold(run.splitLock);
    split.results.assign(count, TaskResult{});
    split.claimed = 0;
    split.done = 0;
    split.task = i + 1;
    return true;
}

// Searches the children of the thread's own split, in order, until none is left to take.
bool SearchOwnChildren(TaskRun& run, int thread) {
    for (;;) {
        ChildClaim claim{};
        {
            std::lock_guard<std::mutex> hold(run.splitLock);
            if (!ClaimChild(run, thread, claim)) return true;
        }
        if (!SearchChild(run, thread, claim)) return false;
    }
}

// With no task left in the plan: searches a child of the earliest split with children
// left. False when there is none and no thread may still publish one, or when halted.
bool HelpSplit(TaskRun& run, int thread) {
    while (!run.haltRequested.load()) {
        ChildClaim claim{};
        bool claimed = false;
        bool nobodyDeciding = false;
        {
            std::lock_guard<std::mutex> hold(run.splitLock);
            claimed = ClaimChild(run, -1, claim);
            nobodyDeciding = run.deciding.load() == 0;
        }
        if (claimed) return SearchChild(run, thread, claim);
        if (nobodyDeciding) return false;
        // Another thread is cutting the last tasks: its children come within microseconds.
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return false;
}

// Searches task i whole. False when halted.
bool SearchWhole(TaskRun& run, int thread, uint64_t i, uint64_t cap) {
    BeginRunning(run, thread, RunningWord(i, 0, run.plan->cut.cutMove));
    TaskResult result{};
    const SearchOutcome outcome = Search(run, run.states[thread], i, cap, result);
    run.running[thread].store(0);
    if (outcome == SearchOutcome::Halted) return false;
    run.finishedOwnNodes.fetch_add(OwnNodeTotal(result), std::memory_order_relaxed);
    CompleteTask(run, i, std::move(result), outcome);
    return true;
}

void SearchTasks(TaskRun& run, int thread) {
    if (run.output.threadStart != nullptr) run.output.threadStart(run.threadCount, run.output.context);
    const uint64_t count = TaskCount(run);
    while (!run.haltRequested.load()) {
        // Counted before the task is taken, so that a thread finding none left waits for the
        // children this one may publish (see HelpSplit).
        run.deciding.fetch_add(1);
        const uint64_t i = run.nextTask.fetch_add(1);
        uint8_t expected = TASK_WAITING;
        if (i >= count || !run.status[i].compare_exchange_strong(expected, TASK_RUNNING)) {  // none, or loaded from a checkpoint
            run.deciding.fetch_sub(1);
            if (i < count) continue;
            if (!HelpSplit(run, thread)) break;
            continue;
        }
        const uint64_t shallowBefore = Planned(run, i).shallowBefore;
        uint64_t cap = 0;
        if (run.budget != 0) {
            // The earlier tasks can only move the budget's end closer.
            if (run.budget <= shallowBefore) {
                run.status[i].store(TASK_SKIPPED, std::memory_order_release);
                run.deciding.fetch_sub(1);
                continue;
            }
            cap = run.budget - shallowBefore;
        }
        const bool split = ShouldSplit(run, thread) && PublishChildren(run, thread, i);
        run.deciding.fetch_sub(1);
        if (split) {
            if (!SearchOwnChildren(run, thread)) break;
            continue;
        }
        if (!SearchWhole(run, thread, i, cap)) break;
    }
}

void* SearchThread(void* argument) {
    auto& slot = *static_cast<ThreadSlot*>(argument);
    SearchTasks(*slot.run, slot.index);
    if (slot.run->output.threadEnd != nullptr) slot.run->output.threadEnd(slot.run->output.context);
    return nullptr;
}

}  // namespace

void PrepareTaskRun(TaskRun& run, const TaskPlan& plan, int threadCount, uint64_t budget, const TaskOutput& output) {
    run.plan = &plan;
    run.threadCount = threadCount < 1 ? 1 : threadCount > MAX_TASK_THREADS ? MAX_TASK_THREADS : threadCount;
    run.budget = budget;
    run.output = output;
    run.splitAbove = SPLIT_ABOVE_NODES;
    run.splitDepth = 2;
    run.states.reset(new SearchState[run.threadCount + 1]());
    run.running.reset(new std::atomic<uint64_t>[run.threadCount]());
    run.helped.reset(new std::atomic<uint64_t>[run.threadCount]());
    run.splits.reset(new TaskSplitSlot[run.threadCount]());
    run.deciding.store(0);
    const uint64_t count = TaskCount(run);
    run.results.assign(count, TaskResult{});
    run.status.reset(new std::atomic<uint8_t>[count]());
    run.ownNodes.reset(new std::atomic<uint64_t>[count]());
    run.alreadyOutput.assign(count, 0);
    run.nextTask.store(0);
    run.outputNext.store(0);
    run.finishedOwnNodes.store(0);
    run.completedTasks.store(0);
    run.completedOwnNodes.store(0);
    run.progressShown.store(0);
    run.haltRequested.store(false);
    run.concluded.store(false);
    std::memset(&run.merge, 0, sizeof run.merge);
    std::memset(run.counters, 0, sizeof run.counters);
    run.outcome = SearchOutcome::Halted;
}

void LoadTaskResult(TaskRun& run, TaskResult&& result, bool wasOutput) {
    const uint64_t i = result.index;
    if (i >= TaskCount(run)) return;
    run.finishedOwnNodes.fetch_add(OwnNodeTotal(result), std::memory_order_relaxed);
    run.completedOwnNodes.fetch_add(OwnNodeTotal(result), std::memory_order_relaxed);
    run.completedTasks.fetch_add(1, std::memory_order_relaxed);
    run.alreadyOutput[i] = wasOutput ? 1 : 0;
    run.ownNodes[i].store(OwnNodeTotal(result), std::memory_order_relaxed);
    run.results[i] = std::move(result);
    run.status[i].store(TASK_DONE);
}

SearchOutcome RunTasks(TaskRun& run) {
    {
        std::lock_guard<std::mutex> hold(run.outputLock);
        HandOnReady(run);
    }
    ThreadSlot slots[MAX_TASK_THREADS];
    ThreadHandle threads[MAX_TASK_THREADS];
    bool started[MAX_TASK_THREADS] = {};
    for (int t = 1; t < run.threadCount; ++t) {
        slots[t] = {&run, t};
        // A thread that cannot be made leaves its share to the others.
        started[t] = StartThread(&threads[t], &SearchThread, &slots[t]) == 0;
    }
    SearchTasks(run, 0);
    for (int t = 1; t < run.threadCount; ++t)
        if (started[t]) JoinThread(threads[t]);
    std::lock_guard<std::mutex> hold(run.outputLock);
    if (!run.concluded.load()) {
        // Halted: the counts as the single search had them when it reached the earliest task
        // not handed on.
        const uint64_t i = run.outputNext.load();
        const uint64_t shallow = i < TaskCount(run) ? Planned(run, i).shallowBefore : run.plan->cut.shallowCounted;
        UnitCountsAt(*run.plan, shallow, run.merge, run.counters);
        run.outcome = SearchOutcome::Halted;
    }
    return run.outcome;
}

void HaltTaskRun(TaskRun& run) {
    run.haltRequested.store(true);
    for (int t = 0; t <= run.threadCount; ++t) RequestSearchHalt(run.states[t]);
}

void TaskRunProgress(TaskRun& run, uint32_t path[SQUARE_COUNT], uint64_t& nodes) {
    // Finished nodes first: a search they already hold has left its thread's word by then.
    const uint64_t finished = run.finishedOwnNodes.load();
    const uint64_t count = TaskCount(run);
    const uint64_t earliest = run.outputNext.load();
    uint64_t running = 0;
    uint64_t shownChild = UINT64_MAX;
    for (int t = 0; t < run.threadCount; ++t) {
        const uint64_t word = run.running[t].load();
        const uint64_t task = word & ((uint64_t{1} << 40) - 1);
        if (task == 0) continue;
        // The thread's own nodes so far, without the prefix's moves it walked first.
        const uint64_t walked = NodeTotal(run.states[t]);
        const uint64_t prefix = (word >> 58) - 1;
        running += walked > prefix ? walked - prefix : 0;
        const uint64_t child = (word >> 40) & ((uint64_t{1} << 18) - 1);
        if (task - 1 == earliest && child < shownChild) {
            // The earliest child of the earliest task.
            for (int i = 0; i < SQUARE_COUNT; ++i) path[i] = run.states[t].path[i].load(std::memory_order_relaxed);
            shownChild = child;
        }
    }
    if (shownChild == UINT64_MAX) {
        const int length = earliest < count ? run.plan->cut.cutMove : run.plan->cut.prefixLength;
        const uint8_t* squares = earliest < count ? Planned(run, earliest).prefix : run.plan->cut.prefix;
        for (int i = 0; i < SQUARE_COUNT; ++i) path[i] = i < length ? squares[i] : squares[length - 1];
    }
    const uint64_t shallow = earliest < count ? Planned(run, earliest).shallowBefore : run.plan->cut.shallowCounted;
    uint64_t shown = run.progressShown.load();
    const uint64_t total = shallow + finished + running;
    while (total > shown && !run.progressShown.compare_exchange_weak(shown, total)) {
    }
    nodes = total > shown ? total : shown;
}

}  // namespace quorbit
