#include "search/solution_hook.h"

namespace quorbit {

void SolutionHook(SearchState& state) {
    const UnitPlan& plan = state.plan;
    state.path[35].store(state.squareMap[plan.end], std::memory_order_relaxed);
    for (const uint8_t q : plan.endNeighbours) {
        if (state.freeCount[q] >= 0) {
            state.path[34].store(state.squareMap[q], std::memory_order_relaxed);
            break;
        }
    }
    if (state.solutionSink != nullptr) state.solutionSink(state, state.solutionContext);
}

}  // namespace quorbit
