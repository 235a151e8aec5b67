#include "search/search_state.h"

namespace quorbit {

void ResetSearchState(SearchState& state) {
    for (int s = 0; s < FREE_COUNT_LANES; ++s) state.freeCount[s] = s < SQUARE_COUNT ? INITIAL_FREE_COUNT : 0;
    for (uint32_t& sum : state.lineSum) sum = 0;
    for (uint32_t& fill : state.lineFill) fill = 0;
}

void ClearNodeCounters(SearchState& state) {
    for (auto& counter : state.nodeCounters) counter.store(0, std::memory_order_relaxed);
}

uint64_t NodeTotal(const SearchState& state) {
    uint64_t total = 0;
    for (const auto& counter : state.nodeCounters) total += counter.load(std::memory_order_relaxed);
    return total;
}

}  // namespace quorbit
