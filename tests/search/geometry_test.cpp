#include "search/geometry.h"

#include <gtest/gtest.h>

namespace quorbit {
namespace {

// The facts docs/no-tour.md rests on, checked on the board itself: whatever the order of a
// tour, the files a, c, e and the ranks 1, 3, 5 cannot all sum to 111.
TEST(Geometry, NoTourCanHaveSixOfItsLinesSumTo111) {
    // Parity classes by (file mod 2, rank mod 2).
    const auto classOf = [](int s) { return 2 * (SquareFile(s) % 2) + SquareRank(s) % 2; };
    int classSize[4] = {};
    // Every step changes the colour, so the numbers 1..36 alternate between the colours:
    // one colour holds the odd numbers, the other the even ones.
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        for (int k = 0; k < STEP_COUNT; ++k) EXPECT_NE(SquareColour(NeighbourOf(s, k)), SquareColour(s));
        ++classSize[classOf(s)];
        // Files a, c, e count a square with +1, ranks 1, 3, 5 with -1: what is left is
        // +1 on class (even, odd), -1 on class (odd, even), 0 elsewhere. So if those six
        // lines all sum to 111, the two classes hold equal sums.
        const int weight = (SquareFile(s) % 2 == 0) - (SquareRank(s) % 2 == 0);
        EXPECT_EQ(weight, classOf(s) == 1 ? 1 : classOf(s) == 2 ? -1 : 0) << s;
        // Those two classes are together one colour.
        if (classOf(s) == 1 || classOf(s) == 2) {
            EXPECT_EQ(SquareColour(s), 1) << s;
        }
    }
    for (int c = 0; c < 4; ++c) EXPECT_EQ(classSize[c], 9);
    // Each class would hold half of its colour's numbers: nine numbers of one parity whose
    // sum has the other parity, which no nine such numbers have.
    for (int first : {1, 2}) {  // the colour's numbers: the odd ones or the even ones
        int colourSum = 0;
        for (int n = first; n <= SQUARE_COUNT; n += 2) colourSum += n;
        const int half = colourSum / 2;
        EXPECT_EQ(colourSum % 2, 0);
        EXPECT_NE(half % 2, (9 * first) % 2) << "nine numbers like " << first << " could sum to " << half;
    }
}

}  // namespace
}  // namespace quorbit
