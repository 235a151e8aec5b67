// The engine against the plain reference search: the same counters, the same tours in
// the same order, for budgets over every unit and for whole subtrees.
#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "control/catalogue.h"
#include "bench/reference_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

TEST(ReferenceCompare, EveryUnitAgreesForAMillionNodes) {
    for (const WorkUnit& unit : workUnits) {
        const auto engine = testing::RunEngine(unit.start, unit.end, {}, 1000000);
        const auto plain = reference::ReferenceSearch(unit.start, unit.end, {unit.start}, 1000000);
        EXPECT_EQ(engine.nodeCounters, plain.nodeCounters) << unit.name;
        EXPECT_EQ(engine.outcome, SearchOutcome::BudgetReached);
        EXPECT_TRUE(plain.budgetReached);
        EXPECT_EQ(engine.solutions, plain.solutions);
    }
}

TEST(ReferenceCompare, WholeSubtreesAgreeAndRestoreTheState) {
    // (unit, depth): the subtree below the first `depth` moves of the unit's first descent.
    const std::pair<int, int> subtrees[] = {{0, 9}, {8, 8}, {44, 9}, {20, 8}, {3, 8}, {40, 8}};
    for (const auto& [unit, depth] : subtrees) {
        const WorkUnit& work = workUnits[unit];
        const std::vector<int> prefix = testing::FirstDescent(work.start, work.end, depth);
        const auto engine = testing::RunEngine(work.start, work.end, prefix, 0);
        const auto plain = reference::ReferenceSearch(work.start, work.end, prefix, 0);
        EXPECT_EQ(engine.outcome, SearchOutcome::Finished) << work.name;
        EXPECT_TRUE(engine.stateRestored) << work.name;
        EXPECT_EQ(engine.nodeCounters, plain.nodeCounters) << work.name;
        EXPECT_EQ(engine.solutions, plain.solutions) << work.name;
        uint64_t total = 0;
        for (const uint64_t c : engine.nodeCounters) total += c;
        EXPECT_GT(total, 10000u) << work.name << ": the subtree should be a real search";
        EXPECT_LT(total, 3000000u) << work.name << ": keep the suite quick";
    }
}

// Units whose end lies at the same torus offset from their start are translates of each
// other, so they count the same nodes at every move at every moment.
TEST(ReferenceCompare, TranslatedUnitsCountAlike) {
    std::map<std::pair<int, int>, std::vector<int>> groups;
    for (int unit = 0; unit < WORK_UNIT_COUNT; ++unit) {
        const WorkUnit& w = workUnits[unit];
        const int df = WrapCoordinate(SquareFile(w.end) - SquareFile(w.start));
        const int dr = WrapCoordinate(SquareRank(w.end) - SquareRank(w.start));
        groups[{df, dr}].push_back(unit);
    }
    EXPECT_EQ(groups.size(), 17u);
    EXPECT_EQ((groups[{0, 1}]), (std::vector<int>{0, 9, 24, 35, 39, 44}));
    for (const auto& [offset, units] : groups) {
        for (const uint64_t budget : {1000ull, 54321ull, 200000ull}) {
            const auto first = testing::RunEngine(workUnits[units[0]].start, workUnits[units[0]].end, {}, budget);
            for (size_t i = 1; i < units.size(); ++i) {
                const WorkUnit& w = workUnits[units[i]];
                EXPECT_EQ(testing::RunEngine(w.start, w.end, {}, budget).nodeCounters, first.nodeCounters)
                    << w.name << " against " << workUnits[units[0]].name << " at " << budget;
            }
        }
    }
}

}  // namespace
}  // namespace quorbit
