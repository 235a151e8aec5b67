#include "search/geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace quorbit {
namespace {

std::string NeighbourNames(const char* square) {
    std::string names;
    for (int k = 0; k < STEP_COUNT; ++k) {
        char name[3] = {0, 0, 0};
        WriteSquareName(NeighbourOf(ParseSquareName(square[0], square[1]), k), name);
        names += (k > 0 ? " " : "") + std::string(name);
    }
    return names;
}

TEST(Geometry, NeighboursComeInKnightStepOrderAndWrapRoundTheTorus) {
    EXPECT_EQ(NeighbourNames("a1"), "e6 e2 f5 f3 b5 b3 c6 c2");
    EXPECT_EQ(NeighbourNames("c3"), "a2 a4 b1 b5 d1 d5 e2 e4");
    EXPECT_EQ(NeighbourNames("F6"), "d5 d1 e4 e2 a4 a2 b5 b1");
}

TEST(Geometry, EverySquareHasEightDistinctNeighboursOfTheOtherColourOnOtherLines) {
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        for (int k = 0; k < STEP_COUNT; ++k) {
            const int q = NeighbourOf(s, k);
            EXPECT_NE(SquareColour(q), SquareColour(s));
            EXPECT_NE(FileLine(q), FileLine(s));
            EXPECT_NE(RankLine(q), RankLine(s));
            EXPECT_TRUE(AreKnightNeighbours(q, s)) << "the step relation must be symmetric";
            for (int j = 0; j < k; ++j) EXPECT_NE(NeighbourOf(s, j), q);
        }
    }
    for (const char* bad : {"g1", "a7", "a0", "`1"}) EXPECT_EQ(ParseSquareName(bad[0], bad[1]), -1) << bad;
}

}  // namespace
}  // namespace quorbit
