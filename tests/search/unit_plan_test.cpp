#include "search/unit_plan.h"

#include <gtest/gtest.h>

#include <string>

#include "control/catalogue.h"

namespace quorbit {
namespace {

std::string Names(const uint8_t* squares, int count) {
    std::string names;
    for (int i = 0; i < count; ++i) {
        char name[3] = {0, 0, 0};
        WriteSquareName(squares[i], name);
        if (i > 0) names += ' ';
        names += name;
    }
    return names;
}

std::string GuardedMoves(const SquarePlan& square) {
    uint8_t guarded[STEP_COUNT];
    int count = 0;
    for (int i = 0; i < square.moveCount; ++i)
        if ((square.guardMask >> i) & 1u) guarded[count++] = square.moves[i];
    return Names(guarded, count);
}

int Square(const char* name) { return ParseSquareName(name[0], name[1]); }

TEST(UnitPlan, ListsOfC3AndA4InA1A2) {
    const UnitPlan plan = PrepareUnitPlan(Square("a1"), Square("a2"));
    const SquarePlan& c3 = plan.squares[Square("c3")];
    EXPECT_EQ(Names(c3.lower, c3.lowerCount), "a2 a4 b1 b5 d1 d5 e2 e4");
    EXPECT_EQ(Names(c3.moves, c3.moveCount), "a4 b1 b5 d1 d5 e2 e4");
    EXPECT_EQ(GuardedMoves(c3), "");
    const SquarePlan& a4 = plan.squares[Square("a4")];
    EXPECT_EQ(Names(a4.moves, a4.moveCount), "e3 e5 f2 f6 b2 b6 c3 c5");
    EXPECT_EQ(GuardedMoves(a4), "e3 f6 b6 c3");
    EXPECT_EQ(Names(plan.endNeighbours, STEP_COUNT), "e1 e3 f6 f4 b6 b4 c1 c3");
}

TEST(UnitPlan, EveryUnitHas56GuardedMovesOr49WhenItsStartIsAnEndNeighbour) {
    std::string startIsEndNeighbour;
    for (const WorkUnit& unit : workUnits) {
        const UnitPlan plan = PrepareUnitPlan(unit.start, unit.end);
        int guarded = 0;
        for (int s = 0; s < SQUARE_COUNT; ++s) {
            if (s == unit.end) continue;
            const SquarePlan& square = plan.squares[s];
            for (int i = 0; i < square.moveCount; ++i) {
                guarded += (square.guardMask >> i) & 1;
                EXPECT_NE(square.moves[i], unit.start);
                EXPECT_NE(square.moves[i], unit.end);
            }
            for (int i = 0; i < square.lowerCount; ++i) EXPECT_NE(square.lower[i], unit.start);
        }
        const bool adjacent = AreKnightNeighbours(unit.start, unit.end);
        EXPECT_EQ(guarded, adjacent ? 49 : 56) << unit.name;
        if (adjacent) startIsEndNeighbour += std::string(startIsEndNeighbour.empty() ? "" : " ") + unit.name;
    }
    EXPECT_EQ(startIsEndNeighbour,
              "a1-b3 a1-b5 a1-c6 a1-e6 a2-b4 a2-b6 a2-c1 a2-c3 a2-e3 a2-f4 a3-b5 a3-c2 a3-c4 a3-e2 a3-e4 "
              "b2-c4 b3-c5 b3-d4");
}

TEST(UnitPlan, SquaresThatCanReachMove34LieTwoStepsFromTheEnd) {
    for (const WorkUnit& unit : workUnits) {
        int count = 0;
        for (int s = 0; s < SQUARE_COUNT; ++s) {
            if (s == unit.end || SquareColour(s) != SquareColour(unit.end)) continue;
            ++count;
            bool twoSteps = false;
            for (int k = 0; k < STEP_COUNT; ++k) twoSteps |= AreKnightNeighbours(NeighbourOf(unit.end, k), s);
            EXPECT_TRUE(twoSteps) << unit.name << " square " << s;
        }
        EXPECT_EQ(count, 17);
    }
}

}  // namespace
}  // namespace quorbit
