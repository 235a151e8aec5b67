#include "results/results_verifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "results/result_line.h"
#include "search/geometry.h"
#include "search/path_text.h"

namespace quorbit {
namespace {

// A knight's tour of the torus from a1 to a2, not semi-magic.
const std::string TOUR = "a1-e6-c5-a4-e3-c2-a3-e2-c1-a6-e5-c4-a5-e4-c3-b1-f6-d5-b4-f3-d2-b3-f2-d1-b6-f5-d4-b5-d6-f1-b2-"
                         "c6-e1-d3-f4-a2";

std::vector<uint8_t> TourSquares() {
    uint8_t squares[SQUARE_COUNT];
    char error[96];
    EXPECT_EQ(ParseSquareList(TOUR.c_str(), squares, SQUARE_COUNT, error, sizeof error), SQUARE_COUNT) << error;
    return {squares, squares + SQUARE_COUNT};
}

ResultLineKind Kind(const std::string& text, std::string* fault = nullptr) {
    ResultLine line;
    const ResultLineKind kind = ReadResultLine(text.data(), text.size(), line);
    if (fault != nullptr) *fault = line.fault;
    return kind;
}

TEST(ResultLine, ReadsExactlyTheProgramsFormats) {
    using K = ResultLineKind;
    const std::string& tour = TOUR;
    const std::string solution = "Solution 3: " + tour + " found in 812 milliseconds (123456 nodes)";
    const std::string summary = "Computation of a1-a2 has finished in 5 milliseconds (99 cycles), 0 solutions have "
                                "been found in 20000 total nodes";
    struct Case {
        std::string text;
        K kind;
        const char* fault;
    };
    const Case cases[] = {
        {solution, K::Solution, ""},
        {"Solution 1: " + tour + " found in -5 milliseconds (0 nodes)", K::Solution, ""},
        {"Solution 0: " + tour + " found in 5 milliseconds (1 nodes)", K::Malformed, "solution number"},
        {"Solution 3: " + tour.substr(3) + " found in 5 milliseconds (1 nodes)", K::Malformed, "35 squares"},
        {"Solution 3: " + tour + "-a1 found in 5 milliseconds (1 nodes)", K::Malformed, "more than 36"},
        {"Solution 3: A" + tour.substr(1) + " found in 5 milliseconds (1 nodes)", K::Malformed, "move 1"},
        {solution + " ", K::Malformed, "found in"},
        {"Solution 3: " + tour + " found in 5 milliseconds (18446744073709551616 nodes)", K::Malformed, "found in"},
        {summary, K::Summary, ""},
        {"Computation of a1-a2 stopped at the node budget of 20000 after 5 milliseconds (99 cycles), 0 solutions "
         "have been found in 20000 total nodes (partial counts)",
         K::StoppedSummary, ""},
        {"Computation of a1-a2 was halted by SIGINT after 5 milliseconds (99 cycles), 0 solutions have been found "
         "in 7 total nodes",
         K::Malformed, "summary"},
        {"Computation of a1-a3 has finished in 5 milliseconds (99 cycles), 0 solutions have been found in 7 total "
         "nodes",
         K::Malformed, "catalogue"},
        {"Computation of a1-a2 has started", K::Other, ""},
        {"Detail of nodes:", K::DetailHeader, ""},
        {" 1 1 1 3 9 33 74 211 334 919", K::Detail, ""},
        {" 1  1", K::Malformed, "blank and a number"},
        {" 1 1 1 1 1 1 1 1 1 1 1", K::Malformed, "more than 10"},
        {"[Sat Dec 05 14:16:32 2026]", K::Stamp, ""},
        {"[Sat Dec 05 24:16:32 2026]", K::Malformed, "time stamp"},
        {"More than 1024 lines in WORKTOUR.INI file", K::Overflow, ""},
        {"a note of the user's", K::Other, ""},
        {std::string("Solution 3: a1\0", 15), K::Malformed, "NUL"},
    };
    for (const Case& c : cases) {
        std::string fault;
        EXPECT_EQ(Kind(c.text, &fault), c.kind) << c.text;
        EXPECT_NE(fault.find(c.fault), std::string::npos) << c.text << ": " << fault;
    }
}

// Feeds the lines as one file; returns the invalid findings as "LINE: text".
std::vector<std::string> Verify(const std::vector<std::string>& lines) {
    ResultsVerifier v;
    BeginResultsFile(v, "SOLUTION.TXT");
    for (const std::string& line : lines) VerifyResultLine(v, line.data(), line.size());
    EndResultsFile(v);
    FinishVerification(v);
    std::vector<std::string> found;
    for (const VerifyFinding& f : v.invalid) found.push_back(std::to_string(f.where.line) + ": " + f.text);
    return found;
}

std::string Summary(int solutions, int total) {
    return "Computation of a1-a2 has finished in 5 milliseconds (9 cycles), " + std::to_string(solutions) +
           " solutions have been found in " + std::to_string(total) + " total nodes";
}

std::vector<std::string> With(std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::string ONES = " 1 1 1 1 1 1 1 1 1 1";

TEST(ResultsVerifier, SummaryAgainstItsNodeDetail) {
    const std::string partial = "Computation of a1-a2 was halted by SIGTERM after 5 milliseconds (9 cycles), 0 "
                                "solutions have been found in 30 total nodes (partial counts)";
    // Detail of nodes with the given first and last lines, ones between: 20 nodes and theirs.
    auto detail = [&](const std::string& first, const std::string& last) {
        return std::vector<std::string>{"Detail of nodes:", first, ONES, ONES, last};
    };
    const std::vector<std::string> good = With({Summary(2, 36)}, detail(ONES, " 1 1 2 2"));
    std::vector<std::string> stamped = good;
    stamped.insert(stamped.begin() + 2, "[Sat Dec 05 14:16:32 2026]");
    std::vector<std::string> cut = good;
    cut.pop_back();
    struct Case {
        std::vector<std::string> lines;
        const char* first;  // the first finding, or "" for none
    };
    const Case cases[] = {
        {good, ""},
        {stamped, ""},
        {With({partial}, detail(ONES, " 0 0 0 0")), ""},
        {With({Summary(2, 36)}, detail(ONES, " 1 1 2 3")),
         "1: the summary says 36 total nodes, its node detail adds up to 37"},
        {With({Summary(2, 36)}, detail(ONES, " 1 1 3 1")), "1: the summary says 2 solutions"},
        {With({Summary(2, 36)}, detail(" 2 1 1 1 1 1 1 1 1 1", " 1 1 1 2")), "1: a finished search counts move 1 once"},
        {With({Summary(2, 55)}, detail(" 1 1 1 1 1 1 1 1 1 20", " 1 1 2 2")),
         "1: its node detail counts 20 nodes at move 10 below only 1 at move 9"},
        {With({Summary(2, 36)}, {"Detail of nodes:", " 1 1 1 1 1 1 1 1 1"}),
         "3: node detail line 1 holds 9 counters, not 10"},
        {cut, "1: the summary at line 1 is not followed by its node detail"},
        {With(cut, {Summary(2, 36)}), "6: the summary at line 1 is not followed by its node detail"},
        {{Summary(2, 36), "a note"}, "2: the summary at line 1"},
        {detail(ONES, ONES), "1: node detail without a summary before it"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> found = Verify(c.lines);
        if (c.first[0] == '\0') {
            EXPECT_TRUE(found.empty()) << c.lines[0] << ": " << found[0];
        } else {
            ASSERT_FALSE(found.empty()) << c.first;
            EXPECT_EQ(found[0].rfind(c.first, 0), 0u) << found[0];
        }
    }
}

TEST(ResultsVerifier, TourFaults) {
    const std::vector<uint8_t> tour = TourSquares();
    EXPECT_EQ(DescribeTourFault(tour.data()).rfind("not semi-magic: ", 0), 0u);
    std::vector<uint8_t> swapped = tour;
    std::swap(swapped[4], swapped[5]);
    EXPECT_EQ(DescribeTourFault(swapped.data()).rfind("move 5 (", 0), 0u) << DescribeTourFault(swapped.data());
    std::vector<uint8_t> again = tour;
    again[7] = again[5];
    EXPECT_NE(DescribeTourFault(again.data()).find("move 8"), std::string::npos);
    // A magic square of order 6 read as a numbering of the board: every line adds up to 111.
    const int magic[6][6] = {{35, 1, 6, 26, 19, 24}, {3, 32, 7, 21, 23, 25}, {31, 9, 2, 22, 27, 20},
                             {8, 28, 33, 17, 10, 15}, {30, 5, 34, 12, 14, 16}, {4, 36, 29, 13, 18, 11}};
    uint8_t numbered[SQUARE_COUNT];
    for (int rank = 0; rank < BOARD_SIZE; ++rank)
        for (int file = 0; file < BOARD_SIZE; ++file)
            numbered[magic[rank][file] - 1] = static_cast<uint8_t>(MakeSquare(file, rank));
    EXPECT_EQ(SemiMagicFault(numbered), "");
    // Two moves of one file change places: every file still adds up to 111, two ranks do not;
    // and the other way round.
    for (const bool sameFile : {true, false}) {
        uint8_t swapped[SQUARE_COUNT];
        std::copy(numbered, numbered + SQUARE_COUNT, swapped);
        int move = 1;
        while ((sameFile ? SquareFile(numbered[move]) != SquareFile(numbered[0]) : SquareRank(numbered[move]) != SquareRank(numbered[0])))
            ++move;
        std::swap(swapped[0], swapped[move]);
        const std::string wrong = std::string("not semi-magic: ") + (sameFile ? "rank " : "file ");
        EXPECT_EQ(SemiMagicFault(swapped).rfind(wrong, 0), 0u) << SemiMagicFault(swapped);
    }
    const std::vector<std::string> found =
        Verify({"Solution 1: " + TOUR + " found in 5 milliseconds (9 nodes)"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].rfind("1: not semi-magic", 0), 0u) << found[0];
}

// Each unit's every image maps back to it, and every pair of squares of opposite colours is
// some unit's image: the 45 units are one of each class of such pairs.
TEST(ResultsVerifier, EveryImageOfAUnitIsFoundWithItsSymmetry) {
    int unit = -1, symmetry = -1;
    bool reversed = false;
    for (int a = 0; a < SQUARE_COUNT; ++a)
        for (int b = 0; b < SQUARE_COUNT; ++b)
            if (SquareColour(a) != SquareColour(b)) {
                ASSERT_TRUE(FindTourUnit(a, b, unit, symmetry, reversed)) << a << " " << b;
            }
    for (int g = 0; g < BOARD_SYMMETRY_COUNT; ++g) {
        for (int a = 0; a < SQUARE_COUNT; ++a)
            for (int b = 0; b < SQUARE_COUNT; ++b)
                ASSERT_EQ(AreKnightNeighbours(a, b), AreKnightNeighbours(MapSquare(g, a), MapSquare(g, b)));
        for (int u = 0; u < WORK_UNIT_COUNT; ++u) {
            for (const bool backwards : {false, true}) {
                const int s = MapSquare(g, workUnits[u].start), e = MapSquare(g, workUnits[u].end);
                ASSERT_TRUE(FindTourUnit(backwards ? e : s, backwards ? s : e, unit, symmetry, reversed));
                EXPECT_EQ(unit, u);
                const int first = backwards ? e : s, last = backwards ? s : e;
                EXPECT_EQ(MapSquare(symmetry, reversed ? last : first), workUnits[u].start);
                EXPECT_EQ(MapSquare(symmetry, reversed ? first : last), workUnits[u].end);
                if (g == 0 && !backwards) {
                    EXPECT_EQ(symmetry, 0);
                }
            }
        }
    }
}

// A trial run's mark stands just before its summary; lines the program never writes are
// named, while its console's lines, stamps and blank lines are not.
TEST(ResultsVerifier, TrialRunsAndLinesThatAreNotTheProgramsAreNamed) {
    const std::vector<std::string> results = {Summary(2, 36), "Detail of nodes:", ONES, ONES, ONES, " 1 1 2 2"};
    auto with = [&](std::vector<std::string> head) { return With(std::move(head), results); };
    const struct {
        const char* what;
        std::vector<std::string> lines;
        bool trial;
        std::vector<int> foreign;  // the lines named
    } cases[] = {
        {"plain", with({}), false, {}},
        {"prefix trial", with({"Trial run of a1-a2: searched below its first 12 moves only"}), true, {}},
        {"both marks and a stamp",
         with({"Trial run of a1-a2: searched below its first 12 moves only", "Trial run of a1-a2: stopped after 20 nodes",
               "[Sat Dec 05 14:16:32 2026]"}),
         true, {}},
        {"another unit's mark", with({"Trial run of a1-a4: stopped after 20 nodes"}), false, {}},
        {"a mark not next to it", with({"Trial run of a1-a2: stopped after 20 nodes", "Execution halted."}), false, {}},
        {"a mark not as written", with({"Trial run of a1-a2: stopped after 020 nodes"}), false, {1}},
        {"console lines", with({"Computation of a1-a2 has started", "Execution halted.", "Choose Test/Continue to restart.",
                                "Cannot write SOLUTION.TXT: No space left on device", "", "More than 1024 lines in LOGSOL.TXT file"}),
         false, {}},
        {"a user's notes", with({"checked by Ann", std::string("\x93\x00\xff", 3)}), false, {1, 2}},
    };
    for (const auto& c : cases) {
        ResultsVerifier v;
        BeginResultsFile(v, "SOLUTION.TXT");
        for (const std::string& line : c.lines) VerifyResultLine(v, line.data(), line.size());
        EndResultsFile(v);
        EXPECT_TRUE(v.invalid.empty()) << c.what << ": " << v.invalid[0].text;
        EXPECT_EQ(v.units[0].summaries, 1) << c.what;
        EXPECT_EQ(v.units[0].summaryTrial, c.trial) << c.what;
        std::vector<int> foreign;
        for (const VerifyFinding& f : v.foreign) foreign.push_back(f.where.line);
        EXPECT_EQ(foreign, c.foreign) << c.what;
    }
}

TEST(ResultsVerifier, RepeatsAreThoseWithinOneFile) {
    ResultsVerifier v;
    v.fileNames = {"SOLUTION.TXT", "LOGSOL.TXT"};
    ResultsVerifier::Tour a{{}, 0, {0, 3}}, b = a;
    b.squares[1] = 1;
    auto at = [](ResultsVerifier::Tour t, int file, int line) {
        t.where = {file, line};
        return t;
    };
    v.tours = {at(a, 0, 3), at(b, 0, 4), at(a, 1, 1), at(a, 0, 9), at(b, 1, 2)};
    FinishVerification(v);
    EXPECT_EQ(v.units[0].distinctTours, 2);
    ASSERT_EQ(v.repeats.size(), 1u);
    EXPECT_EQ(v.repeats[0].first.line, 3);
    EXPECT_EQ(v.repeats[0].again.line, 9);
}

}  // namespace
}  // namespace quorbit
