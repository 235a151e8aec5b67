#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(Catalogue, NamesMatchTheSquaresAndAreFoundInEitherCase) {
    for (int unit = 0; unit < WORK_UNIT_COUNT; ++unit) {
        const WorkUnit& w = workUnits[unit];
        char name[6] = {0, 0, '-', 0, 0, 0};
        WriteSquareName(w.start, name);
        WriteSquareName(w.end, name + 3);
        EXPECT_STREQ(w.name, name);
        EXPECT_EQ(FindUnitByName(w.name), unit);
        std::string upper = w.name;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        EXPECT_EQ(FindUnitByName(upper.c_str()), unit);
    }
    for (const char* bad : {"", "a1", "a1-a2 ", "a1-a3", "a1a2", "a1-a22", "b1-a1"}) EXPECT_EQ(FindUnitByName(bad), -1) << bad;
}

}  // namespace
}  // namespace quorbit
