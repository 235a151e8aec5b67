#include "control/task_run.h"

#include <cstring>
#include <pthread.h>

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
    ShallowCountsAt(*run.plan, shallowNodes, run.counters);
    for (int k = 0; k < COUNTED_MOVES; ++k) run.counters[k] += run.merge.ownCounters[k];
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

void SearchTasks(TaskRun& run, int thread) {
    if (run.output.threadStart != nullptr) run.output.threadStart(run.threadCount, run.output.context);
    SearchState& state = run.states[thread];
    const uint64_t count = TaskCount(run);
    while (!run.haltRequested.load()) {
        const uint64_t i = run.nextTask.fetch_add(1);
        if (i >= count) break;
        uint8_t expected = TASK_WAITING;
        if (!run.status[i].compare_exchange_strong(expected, TASK_RUNNING)) continue;  // loaded from a checkpoint
        const uint64_t shallowBefore = Planned(run, i).shallowBefore;
        uint64_t cap = 0;
        if (run.budget != 0) {
            // The earlier tasks can only move the budget's end closer.
            if (run.budget <= shallowBefore) {
                run.status[i].store(TASK_SKIPPED, std::memory_order_release);
                continue;
            }
            cap = run.budget - shallowBefore;
        }
        run.runningTask[thread].store(i + 1);
        TaskResult result{};
        const SearchOutcome outcome = Search(run, state, i, cap, result);
        run.runningTask[thread].store(0);
        if (outcome == SearchOutcome::Halted) break;
        run.finishedOwnNodes.fetch_add(OwnNodeTotal(result), std::memory_order_relaxed);
        if (outcome == SearchOutcome::Finished && run.output.finished != nullptr) run.output.finished(result, run.output.context);
        std::lock_guard<std::mutex> hold(run.outputLock);
        run.results[i] = std::move(result);
        run.status[i].store(outcome == SearchOutcome::Finished ? TASK_DONE : TASK_CAPPED, std::memory_order_release);
        HandOnReady(run);
    }
}

void* SearchThread(void* argument) {
    auto& slot = *static_cast<ThreadSlot*>(argument);
    SearchTasks(*slot.run, slot.index);
    return nullptr;
}

}  // namespace

void PrepareTaskRun(TaskRun& run, const TaskPlan& plan, int threadCount, uint64_t budget, const TaskOutput& output) {
    run.plan = &plan;
    run.threadCount = threadCount < 1 ? 1 : threadCount > MAX_TASK_THREADS ? MAX_TASK_THREADS : threadCount;
    run.budget = budget;
    run.output = output;
    run.states.reset(new SearchState[run.threadCount + 1]());
    run.runningTask.reset(new std::atomic<uint64_t>[run.threadCount]());
    const uint64_t count = TaskCount(run);
    run.results.assign(count, TaskResult{});
    run.status.reset(new std::atomic<uint8_t>[count]());
    run.alreadyOutput.assign(count, 0);
    run.nextTask.store(0);
    run.outputNext.store(0);
    run.finishedOwnNodes.store(0);
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
    run.alreadyOutput[i] = wasOutput ? 1 : 0;
    run.results[i] = std::move(result);
    run.status[i].store(TASK_DONE);
}

SearchOutcome RunTasks(TaskRun& run) {
    {
        std::lock_guard<std::mutex> hold(run.outputLock);
        HandOnReady(run);
    }
    ThreadSlot slots[MAX_TASK_THREADS];
    pthread_t threads[MAX_TASK_THREADS];
    bool started[MAX_TASK_THREADS] = {};
    for (int t = 1; t < run.threadCount; ++t) {
        slots[t] = {&run, t};
        // A thread that cannot be made leaves its share to the others.
        started[t] = pthread_create(&threads[t], nullptr, &SearchThread, &slots[t]) == 0;
    }
    SearchTasks(run, 0);
    for (int t = 1; t < run.threadCount; ++t)
        if (started[t]) pthread_join(threads[t], nullptr);
    std::lock_guard<std::mutex> hold(run.outputLock);
    if (!run.concluded.load()) {
        // Halted: the counts as the single search had them when it reached the earliest task
        // not handed on.
        const uint64_t i = run.outputNext.load();
        const uint64_t shallow = i < TaskCount(run) ? Planned(run, i).shallowBefore : run.plan->cut.shallowCounted;
        ShallowCountsAt(*run.plan, shallow, run.counters);
        for (int k = 0; k < COUNTED_MOVES; ++k) run.counters[k] += run.merge.ownCounters[k];
        run.outcome = SearchOutcome::Halted;
    }
    return run.outcome;
}

void HaltTaskRun(TaskRun& run) {
    run.haltRequested.store(true);
    for (int t = 0; t <= run.threadCount; ++t) RequestSearchHalt(run.states[t]);
}

void TaskRunProgress(TaskRun& run, uint32_t path[SQUARE_COUNT], uint64_t& nodes) {
    const uint64_t count = TaskCount(run);
    const uint64_t earliest = run.outputNext.load();
    uint64_t running = 0;
    bool shown = false;
    for (int t = 0; t < run.threadCount; ++t) {
        const uint64_t task = run.runningTask[t].load();
        if (task == 0) continue;
        // The thread's own nodes on the task so far, without the prefix's moves it walked first.
        const uint64_t walked = NodeTotal(run.states[t]);
        const uint64_t prefix = static_cast<uint64_t>(run.plan->cut.cutMove - 1);
        running += walked > prefix ? walked - prefix : 0;
        if (task - 1 == earliest) {
            for (int i = 0; i < SQUARE_COUNT; ++i) path[i] = run.states[t].path[i].load(std::memory_order_relaxed);
            shown = true;
        }
    }
    if (!shown) {
        const int length = earliest < count ? run.plan->cut.cutMove : run.plan->cut.prefixLength;
        const uint8_t* squares = earliest < count ? Planned(run, earliest).prefix : run.plan->cut.prefix;
        for (int i = 0; i < SQUARE_COUNT; ++i) path[i] = i < length ? squares[i] : squares[length - 1];
    }
    const uint64_t shallow = earliest < count ? Planned(run, earliest).shallowBefore : run.plan->cut.shallowCounted;
    nodes = shallow + run.finishedOwnNodes.load(std::memory_order_relaxed) + running;
}

}  // namespace quorbit
