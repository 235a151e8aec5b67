#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "search/subtree_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

void ExpectCountsOfABudget(const SearchState& state, int start, int end, uint64_t budget) {
    const auto budgeted = testing::RunEngine(start, end, {}, budget);
    for (int i = 0; i < COUNTED_MOVES; ++i) EXPECT_EQ(state.nodeCounters[i].load(), budgeted.nodeCounters[i]) << i;
}

// A unit's routine runs for hours. Halted from another thread (as Ctrl+C halts quorbit-cli),
// it stops at a poll with the counts that unit's search has for as many nodes, while a
// progress reader sees the total only grow; reset, it searches afresh; a halt asked before
// the start searches nothing.
TEST(Catalogue, LooksUpByNumberAndRunsThatUnitsSearchUntilHalted) {
    EXPECT_STREQ(UnitName(0), "a1-a2");
    EXPECT_STREQ(UnitName(44), "c3-c4");
    EXPECT_EQ(UnitName(45), nullptr);
    EXPECT_EQ(UnitName(-1), nullptr);
    auto state = testing::NewSearchState();
    EXPECT_EQ(RunWorkUnit(45, *state), 1);
    EXPECT_EQ(RunWorkUnit(-1, *state), 1);
    EXPECT_EQ(NodeTotal(*state), 0u);
    for (const int unit : {7, 38}) {
        const WorkUnit& w = workUnits[unit];
        auto run = testing::NewSearchState();
        bool growing = true;
        std::thread reader([&] {
            for (uint64_t last = 0, total; (total = NodeTotal(*run)) < 1000000; last = total) {
                growing = growing && total >= last;
                std::this_thread::yield();
            }
            RequestSearchHalt(*run);
        });
        EXPECT_EQ(RunWorkUnit(unit, *run), 0);
        reader.join();
        EXPECT_TRUE(growing);
        EXPECT_EQ(run->path[0].load(), w.start);
        EXPECT_EQ(NodeTotal(*run) % HALT_POLL_INTERVAL, 0u);
        ExpectCountsOfABudget(*run, w.start, w.end, NodeTotal(*run));

        run->haltRequested = false;
        ResetSearchState(*run);
        ClearNodeCounters(*run);
        EXPECT_EQ(SearchWorkUnit(*run, w.start, w.end, 100000), SearchOutcome::BudgetReached);
        ExpectCountsOfABudget(*run, w.start, w.end, 100000);
        ClearNodeCounters(*run);
        RequestSearchHalt(*run);
        EXPECT_EQ(SearchWorkUnit(*run, w.start, w.end), SearchOutcome::Halted);
        EXPECT_EQ(NodeTotal(*run), 0u);
    }
}

// (Found by name in either case: the fuzz target fuzz_unit_input works every text out the long
// way.)
TEST(Catalogue, NamesMatchTheSquares) {
    for (const WorkUnit& w : workUnits) {
        char name[6] = {0, 0, '-', 0, 0, 0};
        WriteSquareName(w.start, name);
        WriteSquareName(w.end, name + 3);
        EXPECT_STREQ(w.name, name);
    }
}

}  // namespace
}  // namespace quorbit
