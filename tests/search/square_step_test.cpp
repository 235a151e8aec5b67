#include "search/subtree_search.h"

#include <gtest/gtest.h>

#include <vector>

#include "search/path_text.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

using testing::NewSearchState;
using testing::RunEngine;

TEST(SquareStep, FirstMovesAndCountersAtThe20000thNodeOfA1A2) {
    auto state = NewSearchState();
    EXPECT_EQ(SearchWorkUnit(*state, 0, 1, 20), SearchOutcome::BudgetReached);
    uint32_t squares[20];
    for (int i = 0; i < 20; ++i) squares[i] = state->path[i].load();
    char text[64];
    FormatSquareList(squares, 20, text);
    EXPECT_STREQ(text, "a1-e6-c5-a4-e3-c2-a3-e2-c1-b5-f4-d3-b2-f1-d6-f5-d4-b3-f2-d1");

    const auto result = RunEngine(0, 1, {}, 20000);
    const std::vector<uint64_t> expected = {1,    1,    1,    1,    1,    1,    1,    1,   3,   9,  33, 74,
                                            211,  334,  919,  920,  2114, 2629, 3160, 4707, 2609, 1419, 654, 171,
                                            26,   0,    0,    0,    0,    0,    0,    0,    0,   0};
    EXPECT_EQ(std::vector<uint64_t>(result.nodeCounters.begin(), result.nodeCounters.end()), expected);
}

TEST(SquareStep, BudgetStopsExactlyAtItsLastNode) {
    for (const uint64_t budget : {1ull, 2ull, 34ull, 16383ull, 16384ull, 16385ull, 50000ull}) {
        auto state = NewSearchState();
        EXPECT_EQ(SearchWorkUnit(*state, 0, 1, budget), SearchOutcome::BudgetReached);
        EXPECT_EQ(NodeTotal(*state), budget);
    }
}

}  // namespace
}  // namespace quorbit
