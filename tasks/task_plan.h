// The tasks of a unit, or of the subtree below a prefix: its tree cut at one move, the
// tasks in the order the single search reaches them.
#pragma once

#include <cstdint>
#include <vector>

#include "search/subtree_cut.h"
#include "tasks/task_result.h"

namespace quorbit {

struct PlannedTask {
    uint8_t prefix[HOOK_MOVE];  // cutMove squares
    uint64_t shallowBefore;     // nodes above the cut the single search counts before the task
};

struct TaskPlan {
    SubtreeCut cut;  // what was cut, with the counts of all nodes above the cut
    std::vector<PlannedTask> tasks;
};

// Aim of ChooseCutMove: enough tasks that threads rarely wait for the last ones (at least
// 4096, and 1024 per thread, so that 64 threads cut a unit one move deeper than 2 do), few
// enough that their list stays small.
inline constexpr uint64_t TasksAimedAt(int threads) {
    return threads > 4 ? 1024 * static_cast<uint64_t>(threads) : 4096;
}

// The shallowest cut move below the prefix that gives at least `aim` tasks, or the deepest
// one tried (the prefix's length + 16, at most HOOK_MOVE - 1) when none does. 0 when the
// prefix is refused.
int ChooseCutMove(int start, int end, const uint8_t* prefix, int prefixLength, uint64_t aim);

// Cuts the subtree at cutMove and lists its tasks. False when the prefix is refused or the
// cut move is not between the prefix's length + 1 and HOOK_MOVE.
bool PlanTasks(TaskPlan& plan, int start, int end, const uint8_t* prefix, int prefixLength, int cutMove);

// The counts above the cut as the single search has them right after its `shallowNodes`-th
// node above the cut (all of them when shallowNodes is at least their total).
void ShallowCountsAt(const TaskPlan& plan, uint64_t shallowNodes, uint64_t counters[COUNTED_MOVES]);

// The single search's counts at that point: those above the cut, and the own nodes of the
// tasks merged up to there.
void UnitCountsAt(const TaskPlan& plan, uint64_t shallowNodes, const TaskMerge& merged, uint64_t counters[COUNTED_MOVES]);

}  // namespace quorbit
