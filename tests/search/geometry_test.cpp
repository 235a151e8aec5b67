#include "search/geometry.h"

#include <gtest/gtest.h>

#include <string>

namespace quorbit {
namespace {

std::string NeighbourNames(int square) {
    std::string names;
    for (int k = 0; k < STEP_COUNT; ++k) {
        char name[3] = {0, 0, 0};
        WriteSquareName(NeighbourOf(square, k), name);
        if (k > 0) names += ' ';
        names += name;
    }
    return names;
}

TEST(Geometry, NeighboursComeInKnightStepOrderAndWrapRoundTheTorus) {
    EXPECT_EQ(NeighbourNames(ParseSquareName('a', '1')), "e6 e2 f5 f3 b5 b3 c6 c2");
    EXPECT_EQ(NeighbourNames(ParseSquareName('c', '3')), "a2 a4 b1 b5 d1 d5 e2 e4");
    EXPECT_EQ(NeighbourNames(ParseSquareName('f', '6')), "d5 d1 e4 e2 a4 a2 b5 b1");
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
}

TEST(Geometry, SquareNamesReadEitherCaseAndRefuseOthers) {
    EXPECT_EQ(ParseSquareName('a', '1'), 0);
    EXPECT_EQ(ParseSquareName('F', '6'), 35);
    EXPECT_EQ(ParseSquareName('c', '4'), 15);
    EXPECT_EQ(ParseSquareName('g', '1'), -1);
    EXPECT_EQ(ParseSquareName('a', '7'), -1);
    EXPECT_EQ(ParseSquareName('a', '0'), -1);
    EXPECT_EQ(FileLine(15), 2);
    EXPECT_EQ(RankLine(15), 9);
}

}  // namespace
}  // namespace quorbit
