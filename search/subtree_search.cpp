#include "search/subtree_search.h"

#include <algorithm>

#include "search/step_common.h"

namespace quorbit {

bool TimeToStop(SearchState& state) {
    const uint64_t counted = state.nodesAtPoll;
    if (state.nodeBudget != 0 && counted >= state.nodeBudget) {
        state.outcome = SearchOutcome::BudgetReached;
        return true;
    }
    if (state.haltRequested.load(std::memory_order_acquire)) {
        state.outcome = SearchOutcome::Halted;
        return true;
    }
    uint64_t next = HALT_POLL_INTERVAL;
    if (state.nodeBudget != 0) next = std::min(next, state.nodeBudget - counted);
    state.pollCountdown = static_cast<uint32_t>(next);
    state.nodesAtPoll = counted + next;
    return false;
}

SearchOutcome SearchSubtree(SearchState& state, int start, int end, const uint8_t* prefix, int prefixLength,
                            uint64_t nodeBudget, PrefixCheck* refusal) {
    const PrefixCheck check = CheckPrefix(start, end, prefix, prefixLength);
    if (refusal != nullptr) *refusal = check;
    if (check.badMove != 0) return SearchOutcome::Refused;
    if (state.haltRequested.load(std::memory_order_acquire)) return SearchOutcome::Halted;
    uint8_t framed[HOOK_MOVE];
    BeginSearch(state, start, end, prefix, prefixLength, framed, nodeBudget);
    PrefixCheck unused{};
    WalkPrefix(state, framed, prefixLength, true, unused);
    return state.outcome;
}

SearchOutcome SearchWorkUnit(SearchState& state, int start, int end, uint64_t nodeBudget) {
    const uint8_t prefix[1] = {static_cast<uint8_t>(start)};
    return SearchSubtree(state, start, end, prefix, 1, nodeBudget);
}

}  // namespace quorbit
