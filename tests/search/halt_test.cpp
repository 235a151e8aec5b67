// Halting a search from another thread while a third one watches its progress.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "search/square_step.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

using Clock = std::chrono::steady_clock;

TEST(Halt, AWholeUnitStopsPromptlyAndSearchesAgainAfterAReset) {
    auto state = testing::NewSearchState();
    std::atomic<bool> done{false};
    SearchOutcome outcome = SearchOutcome::Finished;
    std::thread search([&] {
        outcome = SearchWorkUnit(*state, 0, 1);  // hours if nothing stops it
        done = true;
    });
    // A progress reader, as the desktop's, reads the path and counters meanwhile.
    std::thread reader([&] {
        uint64_t seen = 0;
        while (!done) {
            seen = NodeTotal(*state) + state->path[5].load(std::memory_order_relaxed);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GT(seen, 0u);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto asked = Clock::now();
    RequestSearchHalt(*state);
    search.join();
    const auto waited = Clock::now() - asked;
    reader.join();
    EXPECT_EQ(outcome, SearchOutcome::Halted);
    EXPECT_GT(NodeTotal(*state), 0u);
    // Only a hang would take this long; the halt's real latency is reported by the bench.
    EXPECT_LT(waited, std::chrono::seconds(5));

    state->haltRequested = false;
    ResetSearchState(*state);
    ClearNodeCounters(*state);
    EXPECT_EQ(SearchWorkUnit(*state, 0, 1, 100000), SearchOutcome::BudgetReached);
    const auto fresh = testing::RunEngine(0, 1, {}, 100000);
    for (int i = 0; i < COUNTED_MOVES; ++i) EXPECT_EQ(state->nodeCounters[i].load(), fresh.nodeCounters[i]);
}

TEST(Halt, AHaltAskedBeforeTheStartSearchesNothing) {
    auto state = testing::NewSearchState();
    RequestSearchHalt(*state);
    EXPECT_EQ(SearchWorkUnit(*state, 0, 1), SearchOutcome::Halted);
    EXPECT_EQ(NodeTotal(*state), 0u);
}

}  // namespace
}  // namespace quorbit
