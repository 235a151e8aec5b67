#include "search/solution_hook.h"

namespace quorbit {

void SolutionHook(SearchState& state) {
    for (const uint8_t q : state.plan.endNeighbours) {
        if (state.freeCount[q] >= 0) {
            CompleteTour(state, q);
            return;
        }
    }
}

void CompleteTour(SearchState& state, int moveThirtyFive) {
    state.path[35].store(state.squareMap[state.plan.end], std::memory_order_relaxed);
    state.path[34].store(state.squareMap[moveThirtyFive], std::memory_order_relaxed);
    if (state.solutionSink != nullptr) state.solutionSink(state, state.solutionContext);
}

}  // namespace quorbit
