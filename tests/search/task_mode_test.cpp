// Task mode against the single search: tasks cut at several moves, on one or more threads,
// merged in order, count, find, number and total what the single search does. Built on the
// real search and on the one that admits every line sum, where the single search is also
// compared with the plain reference search (thousands of tours: kernel, solution hook and
// counters).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "bench/reference_search.h"
#include "tasks/node_estimate.h"
#include "tasks/task_run.h"
#include "search/bound_table.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

struct Merged {
    testing::EngineResult result;
    uint64_t tasks = 0;
    TaskRun* haltAfter = nullptr;  // halted from within the output once haltAt tasks are out
    uint64_t haltAt = 0;
    std::vector<TaskResult> finished;  // what a checkpoint would keep
};

void KeepFinished(const TaskResult& task, void* context) {
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    static_cast<Merged*>(context)->finished.push_back(task);
}

void Collect(const TaskResult& task, const PlannedTask& planned, const TaskMerge& before, void* context) {
    auto& merged = *static_cast<Merged*>(context);
    EXPECT_EQ(before.solutions, static_cast<int32_t>(merged.result.solutions.size())) << "tours numbered out of turn";
    EXPECT_EQ(std::memcmp(task.prefix, planned.prefix, static_cast<size_t>(task.prefixLength)), 0);
    for (const TaskSolution& solution : task.solutions) {
        reference::Tour tour;
        for (int i = 0; i < SQUARE_COUNT; ++i) tour[i] = solution.squares[i];
        merged.result.solutions.push_back(tour);
        merged.result.solutionNodes.push_back(SolutionNodeTotal(before, planned.shallowBefore, solution));
    }
    if (++merged.tasks == merged.haltAt) HaltTaskRun(*merged.haltAfter);
}

bool PlanSubtree(TaskPlan& plan, const std::vector<int>& prefix, int end, int cutMove) {
    const std::vector<uint8_t> squares(prefix.begin(), prefix.end());
    return PlanTasks(plan, prefix.at(0), end, squares.data(), static_cast<int>(squares.size()), cutMove);
}

Merged RunInTasks(const std::vector<int>& prefix, int end, int cutMove, int threads, uint64_t budget,
                  uint64_t splitAbove = SPLIT_ABOVE_NODES, std::unique_ptr<TaskRun>* keep = nullptr) {
    static TaskPlan plan;  // outlives a run the caller keeps
    EXPECT_TRUE(PlanSubtree(plan, prefix, end, cutMove));
    Merged merged;
    auto run = std::make_unique<TaskRun>();
    PrepareTaskRun(*run, plan, threads, budget, TaskOutput{&Collect, nullptr, nullptr, &merged});
    run->splitAbove = splitAbove;
    merged.result.outcome = RunTasks(*run);
    for (int k = 0; k < COUNTED_MOVES; ++k) merged.result.nodeCounters[k] = run->counters[k];
    if (keep != nullptr) *keep = std::move(run);
    return merged;
}

void ExpectSameAsSingle(const testing::EngineResult& single, const testing::EngineResult& merged) {
    EXPECT_EQ(merged.outcome, single.outcome);
    EXPECT_EQ(merged.nodeCounters, single.nodeCounters);
    EXPECT_EQ(merged.solutions, single.solutions);
    EXPECT_EQ(merged.solutionNodes, single.solutionNodes);
}

struct Cut {
    int move;
    int threads;
    bool split = false;  // every task split into its children
};

struct Subtree {
    const char* prefix;
    const char* end;
    std::vector<Cut> cuts;
    int descent = 0;  // > 0: the prefix is the unit's first descent of this many moves
};

std::vector<int> PrefixOf(const Subtree& subtree, int& end) {
    end = ParseSquareName(subtree.end[0], subtree.end[1]);
    const std::vector<int> squares = testing::SquaresOf(subtree.prefix);
    return subtree.descent > 0 ? testing::FirstDescent(squares.at(0), end, subtree.descent) : squares;
}

// Units on a1 and off it (the hook turns the search's frame back into board squares); a1-b3,
// a2-b4 and b3-c5 start on an end neighbour. Small enough for the sanitizer builds: each
// subtree's search takes some milliseconds.
std::vector<Subtree> Subtrees() {
    if (EVERY_SUM_ADMITTED)
        return {
            {"a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6-d5", "a2", {{19, 1}, {22, 3}, {30, 2}, {20, 1, true}, {23, 3, true}}},
            {"a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-a2-e1-c6", "b3", {{20, 3}, {25, 2}, {21, 3, true}}},
            {"c3-a2-e1-c6-a5-e4-c5-a4-e3-c2-a1-e6-c1-a6-e5-f3-b2-f1", "c4", {{19, 2}, {34, 3}}},
            {"a2-e1-c6-a5-e4-c3-a4-e3-c2-a1-e6-c5-a6-e5-c4-d2-b3-c1", "b4", {{20, 2}}},
            {"b3-f2-d1-b6-f5-d4-b5-f4-d3-b2-f1-d6-b1-f6-e4-c3-d5-c1", "c5", {{21, 3}}},
        };
    return {
        {"a1", "a2", {{10, 1}, {12, 3}, {16, 2}, {11, 1, true}, {12, 3, true}}, 8},
        {"a1", "b3", {{11, 3}, {14, 2}, {10, 3, true}}, 8},
        {"b3", "c5", {{10, 2}, {15, 3}}, 8},
    };
}

template <typename Counters>
uint64_t Sum(const Counters& counters) {
    uint64_t total = 0;
    for (const uint64_t count : counters) total += count;
    return total;
}

// The first subtree and its single search.
struct FirstSubtree {
    Subtree subtree = Subtrees().front();
    int end = 0;
    std::vector<int> prefix = PrefixOf(subtree, end);
    testing::EngineResult whole = testing::RunEngine(prefix.at(0), end, prefix, 0);
    uint64_t total = Sum(whole.nodeCounters);
};

TEST(TaskMode, MergedTasksAreTheSingleSearch) {
    for (const Subtree& subtree : Subtrees()) {
        int end = 0;
        const std::vector<int> prefix = PrefixOf(subtree, end);
        const testing::EngineResult single = testing::RunEngine(prefix.at(0), end, prefix, 0);  // checks each tour
        if (EVERY_SUM_ADMITTED) {
            ASSERT_GT(single.solutions.size(), 50u) << subtree.prefix;
            const auto plain = reference::ReferenceSearch(prefix.at(0), end, prefix, 0);
            EXPECT_TRUE(single.stateRestored);
            EXPECT_EQ(single.nodeCounters, plain.nodeCounters) << subtree.prefix;
            EXPECT_EQ(single.nodeCounters[HOOK_MOVE - 1], single.solutions.size()) << subtree.prefix;
            EXPECT_TRUE(single.solutions == plain.solutions) << subtree.prefix << ": tours differ from the reference's";
            EXPECT_TRUE(single.solutionNodes == plain.solutionNodes) << subtree.prefix;
        }
        for (const Cut cut : subtree.cuts) {
            SCOPED_TRACE(::testing::Message() << subtree.prefix << " cut at " << cut.move << ", " << cut.threads
                                              << " threads" << (cut.split ? ", split" : ""));
            const Merged merged = RunInTasks(prefix, end, cut.move, cut.threads, 0, cut.split ? 1 : 0);
            EXPECT_GT(merged.tasks, 1u);
            ExpectSameAsSingle(single, merged.result);
        }
    }
}

// A budget ends the run where the single search stops: on, after and before a tour's node,
// at the first node below the cut and elsewhere.
TEST(TaskMode, ABudgetEndsWhereTheSingleSearchStops) {
    const FirstSubtree first;
    const auto& [subtree, end, prefix, whole, total] = first;
    std::vector<uint64_t> budgets = {1, static_cast<uint64_t>(subtree.cuts[0].move), total / 3, total - 1, total, total + 5};
    if (!whole.solutionNodes.empty()) {
        const uint64_t tour = whole.solutionNodes[whole.solutionNodes.size() / 2];
        budgets.insert(budgets.end(), {tour, tour + 1, tour - 1});
    }
    const int cut = subtree.cuts[1].move;
    for (const uint64_t budget : budgets) {
        SCOPED_TRACE(::testing::Message() << "budget " << budget);
        const testing::EngineResult single = testing::RunEngine(prefix.at(0), end, prefix, budget);
        ExpectSameAsSingle(single, RunInTasks(prefix, end, cut, 2, budget).result);
    }
}

void ExpectSameTask(const TaskResult& whole, const TaskResult& split) {
    EXPECT_EQ(split.prefixLength, whole.prefixLength);
    EXPECT_EQ(std::memcmp(split.prefix, whole.prefix, static_cast<size_t>(whole.prefixLength)), 0);
    for (int k = 0; k < COUNTED_MOVES; ++k) EXPECT_EQ(split.nodeCounters[k], whole.nodeCounters[k]) << "move " << k + 1;
    ASSERT_EQ(split.solutions.size(), whole.solutions.size());
    for (size_t i = 0; i < whole.solutions.size(); ++i) {
        EXPECT_EQ(split.solutions[i].nodeOffset, whole.solutions[i].nodeOffset) << "tour " << i;
        EXPECT_EQ(std::memcmp(split.solutions[i].squares, whole.solutions[i].squares, SQUARE_COUNT), 0) << "tour " << i;
    }
}

// A halt leaves the counts the single search has as it passes that many nodes, whole or split
// tasks; a task whose search (or a child's) was halted is not reported finished.
TEST(TaskMode, AHaltLeavesCountsTheSingleSearchPassesThrough) {
    const FirstSubtree first;
    const auto& [subtree, end, prefix, whole, total] = first;
    static TaskPlan plan;
    ASSERT_TRUE(PlanSubtree(plan, prefix, end, subtree.cuts[1].move));
    auto state = testing::NewSearchState();
    struct Halt {
        uint64_t splitAbove;
        int quarters;  // halted once this many quarters of the tasks are handed on
    };
    for (const Halt halt : {Halt{0, 1}, Halt{1, 1}, Halt{1, 2}, Halt{1, 3}}) {
        SCOPED_TRACE(::testing::Message() << (halt.splitAbove == 0 ? "whole" : "split") << " tasks, halted at "
                                          << halt.quarters << "/4");
        Merged merged;
        auto run = std::make_unique<TaskRun>();
        PrepareTaskRun(*run, plan, 2, 0, TaskOutput{&Collect, &KeepFinished, nullptr, &merged});
        run->splitAbove = halt.splitAbove;
        merged.haltAfter = run.get();
        merged.haltAt = plan.tasks.size() * static_cast<uint64_t>(halt.quarters) / 4;
        EXPECT_EQ(RunTasks(*run), SearchOutcome::Halted);
        EXPECT_LT(run->outputNext.load(), plan.tasks.size());
        const uint64_t reached = Sum(run->counters);
        const testing::EngineResult single = testing::RunEngine(prefix.at(0), end, prefix, reached);
        for (int k = 0; k < COUNTED_MOVES; ++k) EXPECT_EQ(run->counters[k], single.nodeCounters[k]) << "move " << k + 1;
        // The tours are those the single search has reported once it is past that node.
        size_t reported = 0;
        while (reported < whole.solutionNodes.size() && whole.solutionNodes[reported] <= reached) ++reported;
        EXPECT_EQ(merged.result.solutions,
                  std::vector<reference::Tour>(whole.solutions.begin(), whole.solutions.begin() + reported));
        // Only whole tasks are reported finished, not one whose search (or a child's) was halted.
        for (const TaskResult& task : merged.finished) {
            TaskResult alone{};
            RunTask(*state, prefix.at(0), end, task.prefix, task.prefixLength, 0, alone);
            ExpectSameTask(alone, task);
        }
    }
}

struct LongTask {
    std::atomic<int> started{0};
    TaskResult handedOn;
};

// The threads begin together: the one taking the task is not done before the other looks.
void StartTogether(int threads, void* context) {
    auto& task = *static_cast<LongTask*>(context);
    task.started.fetch_add(1);
    while (task.started.load() < threads) std::this_thread::yield();
}

void KeepHandedOn(const TaskResult& result, const PlannedTask&, const TaskMerge&, void* context) {
    static_cast<LongTask*>(context)->handedOn = result;
}

// A thread with no task left helps with the children of a long one, and the task put
// together from its children is the task searched whole.
TEST(TaskMode, AThreadWithNoTaskLeftSearchesChildrenOfALongOne) {
    const Subtree subtree = EVERY_SUM_ADMITTED ? Subtree{"a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1", "a2", {{17, 2}}}
                                               : Subtree{"a1", "a2", {{8, 2}}, 7};
    const uint64_t longest = EVERY_SUM_ADMITTED ? 1 : 3;
    int end = 0;
    const std::vector<int> prefix = PrefixOf(subtree, end);
    static TaskPlan plan;
    ASSERT_TRUE(PlanSubtree(plan, prefix, end, subtree.cuts[0].move));
    plan.tasks = {plan.tasks.at(longest)};
    LongTask task;
    auto run = std::make_unique<TaskRun>();
    PrepareTaskRun(*run, plan, 2, 0, TaskOutput{&KeepHandedOn, nullptr, &StartTogether, &task});
    run->splitAbove = 1;
    ASSERT_EQ(RunTasks(*run), SearchOutcome::Finished);
    EXPECT_GT(run->helped[0].load() + run->helped[1].load(), 0u) << "one thread searched every child";
    TaskResult whole{};
    RunTask(*testing::NewSearchState(), prefix.at(0), end, plan.tasks[0].prefix, subtree.cuts[0].move, 0, whole);
    ExpectSameTask(whole, task.handedOn);
}


// The progress total counts each node once (not a thread's walk along its task's prefix);
// once the run is over it is the single search's total.
TEST(TaskMode, ProgressCountsEachNodeOnce) {
    const FirstSubtree first;
    const auto& [subtree, end, prefix, whole, total] = first;
    static TaskPlan plan;
    const int cut = subtree.cuts[1].move;
    ASSERT_TRUE(PlanSubtree(plan, prefix, end, cut));
    uint32_t path[SQUARE_COUNT];
    uint64_t shown = 0;

    // Two threads stopped inside the first two tasks, after half of each one's own nodes.
    auto run = std::make_unique<TaskRun>();
    PrepareTaskRun(*run, plan, 2, 0, TaskOutput{});
    uint64_t inside = 0;
    for (int t = 0; t < 2; ++t) {
        TaskResult task{};
        RunTask(run->states[t], prefix.at(0), end, plan.tasks[t].prefix, cut, 0, task);
        const uint64_t half = OwnNodeTotal(task) / 2 + 1;
        ASSERT_EQ(RunTask(run->states[t], prefix.at(0), end, plan.tasks[t].prefix, cut, half, task),
                  SearchOutcome::BudgetReached);
        run->running[t].store(RunningWord(static_cast<uint64_t>(t), 0, cut));
        inside += half;
        if (t == 0) {
            // Thread 0 alone is where the single search is after this many nodes.
            TaskRunProgress(*run, path, shown);
            EXPECT_EQ(shown, Sum(testing::RunEngine(prefix.at(0), end, prefix, plan.tasks[0].shallowBefore + half).nodeCounters));
            for (int i = 0; i < SQUARE_COUNT; ++i) EXPECT_EQ(path[i], run->states[0].path[i].load()) << "move " << i + 1;
        }
    }
    TaskRunProgress(*run, path, shown);
    EXPECT_EQ(shown, plan.tasks[0].shallowBefore + inside);
    // Two later tasks done (as a checkpoint gives them back): what the estimate takes of them.
    uint64_t doneOwn = 0;
    for (const uint64_t t : {3u, 5u}) {
        TaskResult task{};
        RunTask(*testing::NewSearchState(), prefix.at(0), end, plan.tasks[t].prefix, cut, 0, task);
        task.index = t;
        doneOwn += OwnNodeTotal(task);
        LoadTaskResult(*run, std::move(task), false);
    }
    std::vector<uint8_t> done;
    const RunSoFar soFar = TaskRunSoFar(*run, done);
    EXPECT_EQ(std::vector<uint8_t>(done.begin(), done.begin() + 6), std::vector<uint8_t>({0, 0, 0, 1, 0, 1}));
    EXPECT_EQ(soFar.doneNodes, doneOwn);
    EXPECT_EQ(soFar.nodes, plan.tasks[0].shallowBefore + inside + doneOwn);

    for (const int threads : {1, 3}) {
        const Merged merged = RunInTasks(prefix, end, cut, threads, 0, 1, &run);
        TaskRunProgress(*run, path, shown);
        EXPECT_EQ(shown, total) << threads << " threads";
        // Every task done: the estimate of the end is the count itself.
        static NodeEstimate estimate;
        BeginNodeEstimate(estimate, plan, 0, 1);
        RefineNodeEstimate(estimate, static_cast<uint32_t>(plan.tasks.size()));
        EXPECT_EQ(EstimateTotalNodes(estimate, TaskRunSoFar(*run, done)), static_cast<double>(total));
    }
}

// The estimate of a run's total: the tasks' descents alone at first (random descents below a
// prefix average to the nodes the search counts there); corrected by what the tasks done
// really took; the count itself once all are done; never below the nodes counted
// nor above the node limit; and the single search followed along its path.
TEST(TaskMode, TheEstimatedTotalLearnsFromTheTasksDone) {
    const FirstSubtree first;
    const auto& [subtree, end, prefix, whole, total] = first;
    static TaskPlan plan;
    const int cut = subtree.cuts[1].move;
    ASSERT_TRUE(PlanSubtree(plan, prefix, end, cut));
    const uint64_t count = plan.tasks.size();
    ASSERT_GE(count, 12u);
    std::vector<uint64_t> own(count);
    auto state = testing::NewSearchState();
    for (uint64_t i = 0; i < count; ++i) {
        TaskResult task{};
        RunTask(*state, prefix.at(0), end, plan.tasks[i].prefix, cut, 0, task);
        own[i] = OwnNodeTotal(task);
    }
    const double exact = static_cast<double>(total);
    static NodeEstimate estimate;
    BeginNodeEstimate(estimate, plan, 0, 3);
    EXPECT_FALSE(EstimateReady(estimate));
    RefineNodeEstimate(estimate, UINT32_MAX);
    ASSERT_EQ(estimate.rounds, ESTIMATE_ROUNDS);
    const RunSoFar none{0, 0, 0, nullptr, 0};
    EXPECT_NEAR(EstimateTotalNodes(estimate, none), exact, 0.1 * exact);

    // Every task estimated at twice its size by descents that all agree, the first half done:
    // no chance explains that, and the rest is corrected.
    estimate.rounds = 2;
    for (uint64_t i = 0; i < count; ++i) {
        estimate.sums[i] = 2 * 2.0 * static_cast<double>(own[i]);
        estimate.squares[i] = 2 * std::pow(2.0 * static_cast<double>(own[i]), 2);
    }
    const uint64_t half = count / 2;
    uint64_t doneNodes = 0;
    for (uint64_t i = 0; i < half; ++i) doneNodes += own[i];
    const uint64_t reached = plan.tasks[half].shallowBefore + doneNodes;
    std::vector<uint8_t> done(count, 0);
    std::fill(done.begin(), done.begin() + static_cast<long>(half), 1);
    // Uncorrected, the rest would be twice its size.
    const double rest = static_cast<double>(total - reached);
    EXPECT_NEAR(EstimateTotalNodes(estimate, RunSoFar{reached, half, half, nullptr, doneNodes}), exact, 0.25 * rest);
    // A begun task past its estimate takes nothing from the tasks still waiting.
    auto beyond = [&](uint64_t past) {
        const RunSoFar run{reached + past, half, half + 1, nullptr, doneNodes};
        return EstimateTotalNodes(estimate, run) - static_cast<double>(reached + past);
    };
    EXPECT_GT(beyond(3 * total), 0.25 * rest);
    EXPECT_NEAR(beyond(3 * total), beyond(4 * total), 1.0);
    // In task mode the same, with a later task done too and two begun, one of them half searched.
    done[half + 2] = 1;
    const uint64_t inside = own[half] / 2;
    const RunSoFar tasks{reached + own[half + 2] + inside, half, half + 3, done.data(), doneNodes + own[half + 2]};
    EXPECT_NEAR(EstimateTotalNodes(estimate, tasks), exact, 0.25 * rest);
    // Every task done, in either mode: the count, exactly.
    std::fill(done.begin(), done.end(), 1);
    const uint64_t allOwn = total - plan.cut.shallowCounted;
    EXPECT_EQ(EstimateTotalNodes(estimate, RunSoFar{total, count, count, done.data(), allOwn}), exact);
    EXPECT_EQ(EstimateTotalNodes(estimate, RunSoFar{total, count, count, nullptr, allOwn}), exact);
    // A run past its estimate is never shown beyond its end; a node limit caps the estimate.
    const double past = EstimateTotalNodes(estimate, RunSoFar{3 * total, count - 1, count, nullptr, allOwn - own.back()});
    EXPECT_GE(past, 3 * exact);
    EXPECT_LE(past, 3 * exact + static_cast<double>(plan.cut.shallowCounted));
    estimate.nodeLimit = total / 3;
    EXPECT_EQ(EstimateTotalNodes(estimate, none), static_cast<double>(total / 3));
    estimate.nodeLimit = 0;

    // The single search seen in task 5; then a path of an earlier task (torn, or stale) and
    // one that is no task's (a cleared path) do not take it away from there.
    const uint64_t before5 = own[0] + own[1] + own[2] + own[3] + own[4];
    for (int i = 0; i < cut; ++i) state->path[i].store(plan.tasks[5].prefix[i]);
    RunSoFar single = FollowSingleSearch(estimate, *state, plan.tasks[5].shallowBefore + before5 + 1);
    EXPECT_EQ(single.earliest, 5u);
    EXPECT_EQ(single.doneNodes, before5 + 1);
    for (const uint32_t square : {static_cast<uint32_t>(plan.tasks[2].prefix[cut - 1]), 0u}) {
        for (int i = 0; i < cut; ++i) state->path[i].store(square == 0 ? 0 : plan.tasks[2].prefix[i]);
        single = FollowSingleSearch(estimate, *state, plan.tasks[5].shallowBefore + before5 + 9);
        EXPECT_EQ(single.earliest, 5u);
        EXPECT_EQ(single.doneNodes, before5 + 1);
        EXPECT_EQ(single.nodes, plan.tasks[5].shallowBefore + before5 + 9);
    }
}

}  // namespace
}  // namespace quorbit
