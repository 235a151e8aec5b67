// quorbit-cli board: the grid as a user reads it, what the line sums say, the unit, and the
// refusal of what is no path of knight steps.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/cli_run.h"

namespace {

using quorbit::testing::Cli;
using quorbit::testing::CliRun;

// A knight's tour of the torus from c4 (no unit starts there) to f4; every line but rank 3
// misses 111.
const char* const TOUR =
    "c4-d2-b3-a5-f3-a1-e6-d4-c6-b2-f1-e5-a4-f2-b1-c5-e4-d6-c2-a3-b5-f6-e2-c3-d1-e3-f5-b6-a2-e1-a6-b4-d3-c1-d5-f4";
// Its first 17 moves: rank 4 then holds 39 on four squares, and 36 + 35 cannot bring it to 111.
const char* const RULED_OUT = "c4-d2-b3-a5-f3-a1-e6-d4-c6-b2-f1-e5-a4-f2-b1-c5-e4";

bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(BoardCommand, FirstMovesOnTheirSquaresWithRankSixOnTopAndTheUnitsThatTakeThem) {
    const CliRun run = Cli("board a1-e6-c5-a4-e3-c2-a3");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(Holds(run.out,
                      "       a   b   c   d   e   f\n"
                      "   6   .   .   .   .   2   .  |   2\n"
                      "   5   .   .   3   .   .   .  |   3\n"
                      "   4   4   .   .   .   .   .  |   4\n"
                      "   3   7   .   .   .   5   .  |  12\n"
                      "   2   .   .   6   .   .   .  |   6\n"
                      "   1   1   .   .   .   .   .  |   1\n"
                      "      ------------------------\n"
                      "      12   0   9   0   7   0\n"))
        << run.out;
    EXPECT_TRUE(Holds(run.out, "The first 7 moves of a tour: no line is ruled out yet (12 still open, 0 adding up to 111)."))
        << run.out;
    // Unit 0's search takes them (the README searches that subtree); a1-a4's cannot, its
    // end square being a4, which move 4 takes.
    EXPECT_TRUE(Holds(run.out, "Units whose search takes these moves: a1-a2")) << run.out;
    EXPECT_FALSE(Holds(run.out, "a1-a4")) << run.out;
}

TEST(BoardCommand, WholeToursAndRuledOutLinesAreNamedWithExitStatusThree) {
    const CliRun tour = Cli(std::string("board ") + TOUR);
    EXPECT_EQ(tour.status, 3) << tour.err;
    EXPECT_TRUE(Holds(tour.out, "A tour, not semi-magic: 11 of the 12 lines do not add up to 111:\n"
                                "  file a adds up to 103\n"))
        << tour.out;
    EXPECT_TRUE(Holds(tour.out, "  rank 2 adds up to 97\n  rank 4 adds up to 107\n")) << tour.out;
    EXPECT_TRUE(Holds(tour.out, "|  97\n")) << tour.out;  // rank 2's sum at the grid's edge
    EXPECT_TRUE(Holds(tour.out, "Unit: a3-d3 (the path turned a half, walked backwards).\n"))
        << tour.out;

    const CliRun prefix = Cli(std::string("board ") + RULED_OUT);
    EXPECT_EQ(prefix.status, 3) << prefix.err;
    EXPECT_TRUE(Holds(prefix.out,
                      "The first 17 moves of a tour: 1 of the 12 lines can no longer add up to 111:\n"
                      "  rank 4: 39 so far; its 2 empty squares can take 37 to 71 more, not the 72 it needs\n"))
        << prefix.out;
    // One move fewer, rank 4 could still get there.
    const std::string shorter(RULED_OUT, std::string(RULED_OUT).size() - 3);
    const CliRun open = Cli("board " + shorter);
    EXPECT_TRUE(Holds(open.out, "The first 16 moves of a tour: no line is ruled out yet")) << open.out;
}

TEST(BoardCommand, WhatIsNoPathOfKnightStepsIsRefusedSayingWhy) {
    const std::pair<const char*, const char*> cases[] = {
        {"a1-a2", "'a1-a2' is not a path of knight steps: move 2 (a2) is not a knight step from move 1 (a1) (it names a unit"},
        {"a1-e6-a1", "move 3 (a1) visits the square of move 1 again"},
        {"a1-e6-z9", "move 3, 'z9', is not a square (a1 to f6)"},
        {"a1-e6 c5", "takes one path"},
        {"", "which tour or first moves?"},
    };
    for (const auto& [arguments, said] : cases) {
        const CliRun run = Cli(std::string("board ") + arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(Holds(run.err, said)) << arguments << ": " << run.err;
        EXPECT_EQ(run.out, "");
    }
    const CliRun help = Cli("board --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(Holds(help.out, "usage: quorbit-cli board TOUR-OR-PREFIX")) << help.out;
    EXPECT_TRUE(Holds(Cli("--help").out, "  board ")) << "listed in the program's help";
}

}  // namespace
