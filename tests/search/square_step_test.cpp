#include "search/square_step.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control/catalogue.h"
#include "search/path_text.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

using testing::NewSearchState;
using testing::RunEngine;

TEST(SquareStep, FirstTwentyMovesOfA1A2) {
    auto state = NewSearchState();
    EXPECT_EQ(SearchWorkUnit(*state, 0, 1, 20), SearchOutcome::BudgetReached);
    uint32_t squares[20];
    for (int i = 0; i < 20; ++i) squares[i] = state->path[i].load();
    char text[64];
    FormatSquareList(squares, 20, text);
    EXPECT_STREQ(text, "a1-e6-c5-a4-e3-c2-a3-e2-c1-b5-f4-d3-b2-f1-d6-f5-d4-b3-f2-d1");
}

TEST(SquareStep, CountersAtThe20000thNodeOfA1A2) {
    const auto result = RunEngine(0, 1, {}, 20000);
    const std::vector<uint64_t> expected = {1,   1,   1,   1,   1,    1,    1,    1,    3,    9,    33,   74, 211,
                                            334, 919, 920, 2114, 2629, 3160, 4707, 2609, 1419, 654, 171, 26, 0,
                                            0,   0,   0,   0,    0,    0,    0,    0};
    EXPECT_EQ(std::vector<uint64_t>(result.nodeCounters.begin(), result.nodeCounters.end()), expected);
    EXPECT_EQ(result.outcome, SearchOutcome::BudgetReached);
}

TEST(SquareStep, BudgetStopsExactlyAtItsLastNode) {
    for (const uint64_t budget : {1ull, 2ull, 34ull, 16383ull, 16384ull, 16385ull, 50000ull}) {
        auto state = NewSearchState();
        EXPECT_EQ(SearchWorkUnit(*state, 0, 1, budget), SearchOutcome::BudgetReached);
        EXPECT_EQ(NodeTotal(*state), budget);
    }
}

TEST(SquareStep, TheSameStateSearchesAgainAlikeAfterAResetAndAfterAFinishedSubtree) {
    auto state = NewSearchState();
    const uint8_t prefix[] = {0, 29, 16, 3, 26, 13, 2, 25, 12, 10};  // a1-e6-c5-a4-e3-c2-a3-e2-c1-b5
    EXPECT_EQ(SearchSubtree(*state, 0, 1, prefix, 10, 0), SearchOutcome::Finished);
    EXPECT_TRUE(testing::HoldsInitialValues(*state));
    const uint64_t firstTotal = NodeTotal(*state);
    ClearNodeCounters(*state);
    EXPECT_EQ(SearchSubtree(*state, 0, 1, prefix, 10, 0), SearchOutcome::Finished);
    EXPECT_EQ(NodeTotal(*state), firstTotal);
    EXPECT_GT(firstTotal, 10u);

    // A budget leaves the state mid-search; a reset makes the next run equal a fresh one.
    EXPECT_EQ(SearchWorkUnit(*state, 0, 1, 12345), SearchOutcome::BudgetReached);
    ResetSearchState(*state);
    ClearNodeCounters(*state);
    SearchWorkUnit(*state, 0, 1, 70000);
    const auto fresh = RunEngine(0, 1, {}, 70000);
    for (int i = 0; i < COUNTED_MOVES; ++i) EXPECT_EQ(state->nodeCounters[i].load(), fresh.nodeCounters[i]);
}

TEST(SquareStep, TheStartSquareIsCountedOnceAndTheNodeDetailCoversAllMoves) {
    for (const int unit : {0, 8, 44}) {
        const auto result = RunEngine(workUnits[unit].start, workUnits[unit].end, {}, 100000);
        EXPECT_EQ(result.nodeCounters[0], 1u) << workUnits[unit].name;
        EXPECT_EQ(result.nodeCounters[1], 1u) << "the first subtree is far larger than the budget";
    }
}

}  // namespace
}  // namespace quorbit
