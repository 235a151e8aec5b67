#include "search/bound_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "search/line_frame.h"
#include "search/step_common.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

SquareSet TableRule(const SearchState& state, uint32_t m) {
    SquareSet passing = 0;
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        bool pass = true;
        for (int line = 0; line < LINE_COUNT; ++line) {
            const uint32_t sum = state.lineSum[line], fill = state.lineFill[line];
            if (line == FileLine(s) || line == RankLine(s))
                pass = pass && sum + m >= boundTable[0][fill + 1] && sum + m <= boundTable[m + 3][fill + 1];
            else
                pass = pass && sum <= boundTable[m + 1][fill];
        }
        passing |= static_cast<SquareSet>(pass) << s;
    }
    return passing;
}

struct Walk {
    SearchState& state;
    std::mt19937 random{20261206};
    int statesLeft = 30000;
    int deepest = 0;

    // Places move m on each square the rule admits, in random order, depth first; `frame`
    // is the kernel's, for move m, carried along by its own placing.
    void From(uint32_t m, SquareSet used, LineFrame frame) {
        const SquareSet expected = TableRule(state, m);
        ASSERT_EQ(SquaresPassingBounds(frame, m), expected) << "move " << m;
        ASSERT_EQ(SquaresPassingBounds(LineFrameOf(state, m), m), expected) << "move " << m;
        deepest = std::max(deepest, static_cast<int>(m));
        std::vector<int> open;
        for (int s = 0; s < SQUARE_COUNT; ++s)
            if (((expected & ~used) >> s) & 1) open.push_back(s);
        std::shuffle(open.begin(), open.end(), random);
        for (const int s : open) {
            if (m == 34 || --statesLeft < 0) return;
            PlaceMove(state, s, m);
            From(m + 1, used | 1ull << s, PlaceOnFrame(frame, s, m));
            if (::testing::Test::HasFatalFailure()) return;
            RemoveMove(state, s, m);
        }
    }
};

// The kernel's bound checks of all squares at once admit exactly what the table's own rule
// admits, at every move up to 34.
TEST(BoundTable, TheKernelsChecksOfAllSquaresAreTheTablesRule) {
    auto state = testing::NewSearchState();
    Walk walk{*state};
    walk.From(1, 0, LineFrameOf(*state, 1));
    // Again below the first 24 moves of a path on which the search of a1-b3 reaches move 33.
    const int deep[] = {0, 29, 16, 3, 26, 13, 11, 30, 19, 32, 9, 22, 33, 10, 2, 25, 14, 18, 7, 17, 21, 34, 23, 6};
    SquareSet used = 0;
    LineFrame frame = LineFrameOf(*state, 1);
    for (uint32_t m = 1; m <= 24; ++m) {
        PlaceMove(*state, deep[m - 1], m);
        frame = PlaceOnFrame(frame, deep[m - 1], m);
        used |= 1ull << deep[m - 1];
    }
    walk.statesLeft = 30000;
    walk.From(25, used, frame);
    EXPECT_EQ(walk.deepest, 34) << "the walk should reach the last moves";
}

}  // namespace
}  // namespace quorbit
