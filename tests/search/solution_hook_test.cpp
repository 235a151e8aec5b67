#include "search/solution_hook.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control/unit_report.h"
#include "tests/search_fixtures.h"
#include "tests/tour_check.h"

namespace quorbit {
namespace {

// Some knight's tour of the torus from start to end (not semi-magic: the hook checks no sums).
bool FindTour(std::vector<int>& tour, bool* used, int end) {
    if (tour.size() == SQUARE_COUNT) return tour.back() == end;
    for (int k = 0; k < STEP_COUNT; ++k) {
        const int q = NeighbourOf(tour.back(), k);
        if (used[q] || (q == end && tour.size() != SQUARE_COUNT - 1)) continue;
        used[q] = true;
        tour.push_back(q);
        if (FindTour(tour, used, end)) return true;
        tour.pop_back();
        used[q] = false;
    }
    return false;
}

// The state as the search leaves it when the step of move 34 has counted its node:
// moves 1..33 entered and marked, move 34 recorded but not entered.
void EnterAsTheSearchWould(SearchState& state, const std::vector<int>& tour) {
    const int start = tour.front();
    for (int n = 1; n <= 33; ++n) {
        const int s = tour[n - 1];
        state.path[n - 1] = static_cast<uint32_t>(s);
        state.lineSum[FileLine(s)] += n;
        state.lineSum[RankLine(s)] += n;
        ++state.lineFill[FileLine(s)];
        ++state.lineFill[RankLine(s)];
        for (int k = 0; k < STEP_COUNT; ++k)
            if (NeighbourOf(s, k) != start) --state.freeCount[NeighbourOf(s, k)];
        state.freeCount[s] -= VISITED_MARK;
        ++state.nodeCounters[n - 1];
    }
    state.path[33] = static_cast<uint32_t>(tour[33]);
    ++state.nodeCounters[33];
    state.path[34] = 0;
    state.path[35] = 0;
}

struct Reports {
    int calls = 0;
    std::vector<int> tour;
};

void Record(const SearchState& state, void* context) {
    auto& reports = *static_cast<Reports*>(context);
    ++reports.calls;
    reports.tour.clear();
    for (const auto& square : state.path) reports.tour.push_back(static_cast<int>(square.load()));
}

TEST(SolutionHook, CompletesTheTourAndReportsItOnceChangingNothingElse) {
    for (const auto& [start, end] : {std::pair{0, 1}, std::pair{0, 8}, std::pair{14, 15}}) {
        std::vector<int> tour = {start};
        bool used[SQUARE_COUNT] = {};
        used[start] = true;
        ASSERT_TRUE(FindTour(tour, used, end));
        ASSERT_EQ(testing::TourFault(tour.data(), start, end, false), "");

        auto state = testing::NewSearchState();
        state->plan = PrepareUnitPlan(start, end);
        for (int s = 0; s < SQUARE_COUNT; ++s) state->squareMap[s] = static_cast<uint8_t>(s);
        EnterAsTheSearchWould(*state, tour);
        int8_t freeBefore[FREE_COUNT_LANES];
        std::memcpy(freeBefore, state->freeCount, sizeof freeBefore);
        uint32_t sumBefore[LINE_COUNT];
        std::memcpy(sumBefore, state->lineSum, sizeof sumBefore);
        const uint64_t totalBefore = NodeTotal(*state);

        // Exactly one end neighbour is still free: the square of move 35.
        int free = 0;
        for (const uint8_t q : state->plan.endNeighbours) free += state->freeCount[q] >= 0;
        EXPECT_EQ(free, 1);

        Reports reports;
        state->solutionSink = &Record;
        state->solutionContext = &reports;
        SolutionHook(*state);
        EXPECT_EQ(reports.calls, 1);
        EXPECT_EQ(reports.tour, tour);
        EXPECT_EQ(std::memcmp(freeBefore, state->freeCount, sizeof freeBefore), 0);
        EXPECT_EQ(std::memcmp(sumBefore, state->lineSum, sizeof sumBefore), 0);
        EXPECT_EQ(NodeTotal(*state), totalBefore);

        char line[SOLUTION_LINE_SIZE];
        FormatSolutionLine(line, sizeof line, 1, *state, 5, totalBefore);
        const std::string text = line;
        const std::string label = "Solution 1: ";
        ASSERT_EQ(text.rfind(label, 0), 0u);
        const std::string squares = text.substr(label.size(), 107);
        EXPECT_EQ(std::count(squares.begin(), squares.end(), '-'), 35);
        EXPECT_EQ(text.substr(label.size() + 107), " found in 5 milliseconds (34 nodes)\n");
        char first[3] = {0, 0, 0}, last[3] = {0, 0, 0};
        WriteSquareName(start, first);
        WriteSquareName(end, last);
        EXPECT_EQ(squares.substr(0, 2), first);
        EXPECT_EQ(squares.substr(105, 2), last);
    }
}

}  // namespace
}  // namespace quorbit
