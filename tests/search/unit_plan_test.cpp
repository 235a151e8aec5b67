#include "search/unit_plan.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace quorbit
