#include "tests/search_fixtures.h"

#include <gtest/gtest.h>

#include "search/bound_table.h"
#include "search/path_text.h"
#include "tests/tour_check.h"

namespace quorbit::testing {
namespace {

struct Collector {
    EngineResult* result;
    int start;
    int end;
};

void Collect(const SearchState& state, void* context) {
    auto& collector = *static_cast<Collector*>(context);
    reference::Tour tour;
    for (int i = 0; i < SQUARE_COUNT; ++i) tour[i] = static_cast<int>(state.path[i].load());
    EXPECT_EQ(TourFault(tour.data(), collector.start, collector.end, !EVERY_SUM_ADMITTED), "");
    collector.result->solutions.push_back(tour);
    collector.result->solutionNodes.push_back(NodeTotal(state));
}

}  // namespace

std::unique_ptr<SearchState> NewSearchState() {
    auto state = std::make_unique<SearchState>();
    ResetSearchState(*state);
    ClearNodeCounters(*state);
    return state;
}

std::vector<int> FirstDescent(int start, int end, int depth) {
    auto state = NewSearchState();
    SearchWorkUnit(*state, start, end, static_cast<uint64_t>(depth));
    std::vector<int> squares;
    for (int i = 0; i < depth; ++i) {
        EXPECT_EQ(state->nodeCounters[i].load(), 1u) << "the first " << depth << " nodes are not one descent";
        squares.push_back(static_cast<int>(state->path[i].load()));
    }
    return squares;
}

bool HoldsInitialValues(const SearchState& state) {
    for (int s = 0; s < SQUARE_COUNT; ++s)
        if (state.freeCount[s] != INITIAL_FREE_COUNT) return false;
    for (int line = 0; line < LINE_COUNT; ++line)
        if (state.lineSum[line] != 0 || state.lineFill[line] != 0) return false;
    return true;
}

std::vector<int> SquaresOf(const char* text) {
    uint8_t squares[SQUARE_COUNT];
    char error[96];
    const int count = ParseSquareList(text, squares, SQUARE_COUNT, error, sizeof error);
    EXPECT_GT(count, 0) << text << ": " << error;
    return {squares, squares + (count > 0 ? count : 0)};
}

EngineResult RunEngine(int start, int end, const std::vector<int>& prefix, uint64_t budget) {
    EngineResult result;
    Collector collector{&result, start, end};
    auto state = NewSearchState();
    state->solutionSink = &Collect;
    state->solutionContext = &collector;
    std::vector<uint8_t> squares(prefix.begin(), prefix.end());
    if (squares.empty()) squares.push_back(static_cast<uint8_t>(start));
    result.outcome =
        SearchSubtree(*state, start, end, squares.data(), static_cast<int>(squares.size()), budget);
    for (int i = 0; i < COUNTED_MOVES; ++i) result.nodeCounters[i] = state->nodeCounters[i].load();
    result.stateRestored = HoldsInitialValues(*state);
    return result;
}

}  // namespace quorbit::testing
