#include "tasks/task_result.h"

#include <cstring>

#include "search/prefix_walk.h"
#include "search/subtree_search.h"

namespace quorbit {

namespace {

struct Collector {
    TaskResult* result;
    uint64_t prefixNodes;  // the prefix's moves above the task, counted by the walk first
};

void CollectSolution(const SearchState& state, void* context) {
    auto& collector = *static_cast<Collector*>(context);
    TaskSolution solution{};
    solution.nodeOffset = NodeTotal(state) - collector.prefixNodes;
    for (int i = 0; i < SQUARE_COUNT; ++i)
        solution.squares[i] = static_cast<uint8_t>(state.path[i].load(std::memory_order_relaxed));
    collector.result->solutions.push_back(solution);
}

}  // namespace

uint64_t OwnNodeTotal(const TaskResult& result) {
    uint64_t total = 0;
    for (const uint64_t count : result.nodeCounters) total += count;
    return total;
}

SearchOutcome RunTask(SearchState& state, int start, int end, const uint8_t* prefix, int prefixLength,
                      uint64_t ownBudget, TaskResult& result) {
    result.prefixLength = prefixLength;
    std::memcpy(result.prefix, prefix, static_cast<size_t>(prefixLength));
    result.solutions.clear();
    const uint64_t prefixNodes = static_cast<uint64_t>(prefixLength - 1);
    Collector collector{&result, prefixNodes};
    ResetSearchState(state);
    ClearNodeCounters(state);
    state.solutionSink = &CollectSolution;
    state.solutionContext = &collector;
    const SearchOutcome outcome =
        SearchSubtree(state, start, end, prefix, prefixLength, ownBudget == 0 ? 0 : ownBudget + prefixNodes);
    for (int k = 0; k < COUNTED_MOVES; ++k) {
        const uint64_t counted = state.nodeCounters[k].load(std::memory_order_relaxed);
        // The walk along the prefix counts each of its moves above the task's once.
        result.nodeCounters[k] = k < prefixLength - 1 && counted > 0 ? counted - 1 : counted;
    }
    state.solutionSink = nullptr;
    state.solutionContext = nullptr;
    return outcome;
}

void MergeTask(TaskMerge& merge, const TaskResult& result) {
    for (int k = 0; k < COUNTED_MOVES; ++k) merge.ownCounters[k] += result.nodeCounters[k];
    merge.ownTotal += OwnNodeTotal(result);
    merge.solutions += static_cast<int32_t>(result.solutions.size());
}

}  // namespace quorbit
