// The engine against the plain reference search: the same counters, the same tours in
// the same order, for a budget in every unit and for whole subtrees.
#include <gtest/gtest.h>

#include <vector>

#include "catalogue/catalogue.h"
#include "bench/reference_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

TEST(ReferenceCompare, EveryUnitAgreesForABudget) {
    for (const WorkUnit& unit : workUnits) {
        const auto engine = testing::RunEngine(unit.start, unit.end, {}, 300000);
        const auto plain = reference::ReferenceSearch(unit.start, unit.end, {unit.start}, 300000);
        EXPECT_EQ(engine.outcome, SearchOutcome::BudgetReached) << unit.name;
        EXPECT_EQ(engine.nodeCounters, plain.nodeCounters) << unit.name;
    }
}

TEST(ReferenceCompare, WholeSubtreesAgreeAndRestoreTheState) {
    struct Subtree {
        int unit;
        int depth;           // below the first `depth` moves of the unit's first descent ...
        const char* prefix;  // ... or below these moves
    };
    const Subtree subtrees[] = {
        {0, 9, nullptr}, {8, 8, nullptr}, {44, 9, nullptr}, {20, 8, nullptr}, {40, 8, nullptr},
        // These reach moves 31 to 33, where a weakened bound check lets more through.
        {3, 0, "a1-e6-c5-a4-e3-c2-b6-f1-d2-f3-b4-d5-f4-b5"},
        {5, 0, "a1-e6-c5-a4-e3-c2-b6-f5-d4-b3-f2-d1-f6-e2"},
    };
    for (const Subtree& subtree : subtrees) {
        const WorkUnit& work = workUnits[subtree.unit];
        const std::vector<int> prefix = subtree.prefix != nullptr
                                            ? testing::SquaresOf(subtree.prefix)
                                            : testing::FirstDescent(work.start, work.end, subtree.depth);
        const auto engine = testing::RunEngine(work.start, work.end, prefix, 0);
        const auto plain = reference::ReferenceSearch(work.start, work.end, prefix, 0);
        SCOPED_TRACE(work.name);
        EXPECT_EQ(engine.outcome, SearchOutcome::Finished);
        EXPECT_TRUE(engine.stateRestored);
        EXPECT_EQ(engine.nodeCounters, plain.nodeCounters);
        EXPECT_EQ(engine.solutions, plain.solutions);
        EXPECT_GT(plain.nodeCounters[subtree.prefix != nullptr ? 30 : 20], 0u) << "the subtree should be a deep search";
    }
}

}  // namespace
}  // namespace quorbit
