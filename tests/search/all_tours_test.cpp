// Admitting every line sum, the search finds thousands of tours; kernel, solution hook and
// counters are compared with the plain reference search built the same way.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bench/reference_search.h"
#include "search/bound_table.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

static_assert(EVERY_SUM_ADMITTED, "this test needs the build that admits every line sum");

// The index of the first entry where the lists differ (the shorter's length if one is a prefix of the other); -1 if none.
template <typename T>
long FirstDifference(const std::vector<T>& a, const std::vector<T>& b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

TEST(AllTours, EngineAndReferenceFindTheSameToursInTheSameOrder) {
    struct Case {
        const char* end;
        const char* prefix;  // starts on the unit's start square
        size_t tours;
    };
    // Units on a1 and off it (the hook turns the search's frame back into board squares),
    // and units whose start is an end neighbour (a1-b3, a2-b4, b3-c5).
    const Case cases[] = {
        {"a2", "a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6-d5-b4", 2736},
        {"b3", "a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-a2-e1-c6-b4", 1680},
        {"c4", "c3-a2-e1-c6-a5-e4-c5-a4-e3-c2-a1-e6-c1-a6-e5-f3-b2-f1-d6", 2168},
        {"b4", "a2-e1-c6-a5-e4-c3-a4-e3-c2-a1-e6-c5-a6-e5-c4-d2-b3-c1-d5", 3408},
        {"c5", "b3-f2-d1-b6-f5-d4-b5-f4-d3-b2-f1-d6-b1-f6-e4-c3-d5-c1-a2", 1968},
    };
    for (const Case& c : cases) {
        const std::vector<int> prefix = testing::SquaresOf(c.prefix);
        const int start = prefix.at(0);
        const int end = ParseSquareName(c.end[0], c.end[1]);

        const auto engine = testing::RunEngine(start, end, prefix, 0);  // checks every tour it reports
        const auto plain = reference::ReferenceSearch(start, end, prefix, 0);
        SCOPED_TRACE(c.prefix);
        EXPECT_EQ(engine.outcome, SearchOutcome::Finished);
        EXPECT_TRUE(engine.stateRestored);
        EXPECT_EQ(engine.nodeCounters, plain.nodeCounters);
        EXPECT_EQ(engine.solutions.size(), c.tours);
        EXPECT_EQ(engine.nodeCounters[HOOK_MOVE - 1], engine.solutions.size());
        EXPECT_EQ(FirstDifference(engine.solutions, plain.solutions), -1) << "the first tour that differs";
        EXPECT_EQ(FirstDifference(engine.solutionNodes, plain.solutionNodes), -1) << "the first node total that differs";
    }
}

}  // namespace
}  // namespace quorbit
