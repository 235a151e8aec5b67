#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/path_text.h"
#include "search/square_step.h"
#include "bench/reference_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

std::vector<uint8_t> Squares(const char* text) {
    uint8_t squares[SQUARE_COUNT];
    char error[96];
    const int count = ParseSquareList(text, squares, SQUARE_COUNT, error, sizeof error);
    EXPECT_GT(count, 0) << error;
    return {squares, squares + (count > 0 ? count : 0)};
}

PrefixCheck Check(const char* text, int start = 0, int end = 1) {
    const auto squares = Squares(text);
    return CheckPrefix(start, end, squares.data(), static_cast<int>(squares.size()));
}

TEST(Prefix, RefusalNamesTheFirstBadMove) {
    struct Case {
        const char* prefix;
        int badMove;
        const char* mentions;
    };
    const Case cases[] = {
        {"b1-d2", 1, "b1"},                      // not the start square
        {"a1-e6-c5-a5", 4, "a5"},                // not a knight step
        {"a1-e6-c5-a4-e3-c2-a3-e2-c1-a2", 10, "end"},  // the end square has no step
        {"a1-e6-c5-a4-c5", 5, "c5"},             // already on the path
        {"a1-e6-a1", 3, "a1"},                   // the start square again
    };
    for (const Case& c : cases) {
        const PrefixCheck check = Check(c.prefix);
        EXPECT_EQ(check.badMove, c.badMove) << c.prefix;
        EXPECT_NE(std::string(check.reason).find(c.mentions), std::string::npos) << check.reason;
    }
    EXPECT_EQ(Check("a1-e6-c5-a4-e3-c2-a3").badMove, 0) << Check("a1-e6-c5-a4-e3-c2-a3").reason;
    EXPECT_EQ(Check("a1").badMove, 0);
}

TEST(Prefix, RefusesLengthsAndIndicesNoSearchCanTake) {
    uint8_t squares[SQUARE_COUNT] = {0, 29, 40};
    EXPECT_EQ(CheckPrefix(0, 1, squares, 0).badMove, 1);
    EXPECT_EQ(CheckPrefix(0, 1, squares, 35).badMove, 35);
    const PrefixCheck check = CheckPrefix(0, 1, squares, 3);
    EXPECT_EQ(check.badMove, 3);
    EXPECT_STREQ(check.reason, "square index 40 names no square");
}

TEST(Prefix, ParsingRefusesWhatIsNoSquareList) {
    uint8_t squares[4];
    char error[96];
    EXPECT_EQ(ParseSquareList("A1-E6", squares, 4, error, sizeof error), 2);
    EXPECT_EQ(squares[1], 29);
    for (const char* bad : {"", "a1-", "a1--e6", "a1-e66", "a1-g2", "a1 e6", "a1-e6-c5-a4-e3"})
        EXPECT_EQ(ParseSquareList(bad, squares, 4, error, sizeof error), -1) << bad;
}

// A prefix is accepted exactly when the plain search, walking it, counts its last node:
// checked for every knight step out of each square of the first descent of two units.
TEST(Prefix, AcceptedExactlyWhenThePlainSearchTakesIt) {
    struct Walk {
        int start, end, depth;
    };
    for (const auto& [start, end, depth] : {Walk{0, 1, 20}, Walk{0, 8, 14}}) {
        const std::vector<int> descent = testing::FirstDescent(start, end, depth);
        std::vector<int> prefix = {start};
        for (int d = 1; d <= depth; ++d) {
            const int last = prefix.back();
            for (int k = 0; k < STEP_COUNT; ++k) {
                std::vector<int> tried = prefix;
                tried.push_back(NeighbourOf(last, k));
                const auto plain = reference::ReferenceSearch(start, end, tried, tried.size());
                const bool taken = plain.nodeCounters[tried.size() - 1] > 0;
                const std::vector<uint8_t> squares(tried.begin(), tried.end());
                const PrefixCheck check = CheckPrefix(start, end, squares.data(), static_cast<int>(squares.size()));
                EXPECT_EQ(check.badMove == 0, taken) << "depth " << d << " step " << k << ": " << check.reason;
                if (!taken) {
                    EXPECT_EQ(check.badMove, static_cast<int>(tried.size()));
                }
            }
            if (d < depth) prefix.push_back(descent[d]);
        }
    }
}

TEST(Prefix, RefusedPrefixSearchesAndCountsNothing) {
    auto state = testing::NewSearchState();
    const auto squares = Squares("a1-e6-c5-a5");
    PrefixCheck refusal{};
    EXPECT_EQ(SearchSubtree(*state, 0, 1, squares.data(), 4, 0, &refusal), SearchOutcome::Refused);
    EXPECT_EQ(refusal.badMove, 4);
    EXPECT_EQ(NodeTotal(*state), 0u);
    EXPECT_TRUE(testing::HoldsInitialValues(*state));
}

TEST(Prefix, PrefixNodesAreCountedOnceEach) {
    const std::vector<int> prefix = {0, 29, 16, 3, 26, 13, 2, 25, 12, 10, 33};
    const auto result = testing::RunEngine(0, 1, prefix, 0);
    for (size_t i = 0; i < prefix.size(); ++i) EXPECT_EQ(result.nodeCounters[i], 1u) << "move " << i + 1;
    EXPECT_EQ(result.outcome, SearchOutcome::Finished);
    EXPECT_TRUE(result.stateRestored);
}

}  // namespace
}  // namespace quorbit
