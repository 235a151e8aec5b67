// A task is the subtree below one prefix of a cut (search/subtree_cut.h). Its result is
// what the single search would count and find in that subtree: its own node counts (the
// prefix's moves above the task's last one are counted by the cut, not here) and its
// tours, each with its node offset inside the task. Results merged in the cut's order give
// exactly the single search's counts, tours, numbers and node totals.
#pragma once

#include <cstdint>
#include <vector>

#include "search/search_state.h"

namespace quorbit {

struct TaskSolution {
    uint64_t nodeOffset;            // the task's own nodes counted up to and with the tour's move 34
    uint8_t squares[SQUARE_COUNT];  // the tour, moves 1..36
};

struct TaskResult {
    uint64_t index;                 // the task's place in the cut's order
    int32_t prefixLength;           // the cut move
    uint8_t prefix[HOOK_MOVE];
    uint64_t nodeCounters[COUNTED_MOVES];  // own nodes per move; 0 above the cut move
    std::vector<TaskSolution> solutions;   // in the order found
};

uint64_t OwnNodeTotal(const TaskResult& result);

// Searches the task below the prefix in the state (the caller's thread owns it) and fills
// the result's counters and solutions. With ownBudget > 0 the search stops right after the
// task's ownBudget-th own node. The state's halt request is left to its owner. Returns the
// search's outcome; only a Finished or BudgetReached result is complete.
SearchOutcome RunTask(SearchState& state, int start, int end, const uint8_t* prefix, int prefixLength,
                      uint64_t ownBudget, TaskResult& result);

// The single search's running totals over the tasks merged so far, in order.
struct TaskMerge {
    uint64_t ownCounters[COUNTED_MOVES];  // the merged tasks' own nodes per move
    uint64_t ownTotal;                    // their sum
    int32_t solutions;                    // tours merged so far: the next one's number is this + 1
};

// The node total the single search shows with a tour of the next task to merge: every node
// above the cut counted before the task, every node of the earlier tasks, and the tour's offset.
inline uint64_t SolutionNodeTotal(const TaskMerge& merge, uint64_t shallowBefore, const TaskSolution& solution) {
    return shallowBefore + merge.ownTotal + solution.nodeOffset;
}

void MergeTask(TaskMerge& merge, const TaskResult& result);

}  // namespace quorbit
