// Halting a search from another thread while a third one watches its progress.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "search/subtree_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

TEST(Halt, AUnitStopsAtAPollWithTheCountsOfABudgetAndSearchesAgainAfterAReset) {
    auto state = testing::NewSearchState();
    std::atomic<bool> done{false};
    SearchOutcome outcome = SearchOutcome::Finished;
    std::thread search([&] {
        outcome = SearchWorkUnit(*state, 14, 15);  // c3-c4: hours if nothing stops it
        done = true;
    });
    // A progress reader, as the desktop's, meanwhile sees the total only grow.
    std::thread reader([&] {
        uint64_t last = 0;
        bool growing = true;
        while (!done) {
            const uint64_t total = NodeTotal(*state);
            growing = growing && total >= last;
            last = total;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        EXPECT_TRUE(growing);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RequestSearchHalt(*state);
    search.join();
    reader.join();
    EXPECT_EQ(outcome, SearchOutcome::Halted);

    // It stopped right after the node of a poll: where a budget of as many nodes stops.
    const uint64_t total = NodeTotal(*state);
    EXPECT_GT(total, 0u);
    EXPECT_EQ(total % HALT_POLL_INTERVAL, 0u);
    const auto budgeted = testing::RunEngine(14, 15, {}, total);
    for (int i = 0; i < COUNTED_MOVES; ++i) EXPECT_EQ(state->nodeCounters[i].load(), budgeted.nodeCounters[i]);

    state->haltRequested = false;
    ResetSearchState(*state);
    ClearNodeCounters(*state);
    EXPECT_EQ(SearchWorkUnit(*state, 14, 15, 100000), SearchOutcome::BudgetReached);
    const auto fresh = testing::RunEngine(14, 15, {}, 100000);
    for (int i = 0; i < COUNTED_MOVES; ++i) EXPECT_EQ(state->nodeCounters[i].load(), fresh.nodeCounters[i]);

    // A halt asked before the start searches nothing.
    ClearNodeCounters(*state);
    RequestSearchHalt(*state);
    EXPECT_EQ(SearchWorkUnit(*state, 14, 15), SearchOutcome::Halted);
    EXPECT_EQ(NodeTotal(*state), 0u);
}

}  // namespace
}  // namespace quorbit
