#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/path_text.h"
#include "search/subtree_search.h"
#include "bench/reference_search.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

int Square(const char* name) { return ParseSquareName(name[0], name[1]); }

std::vector<uint8_t> Squares(const char* text) {
    const std::vector<int> squares = testing::SquaresOf(text);
    return {squares.begin(), squares.end()};
}

TEST(Prefix, RefusalNamesTheFirstBadMove) {
    struct Case {
        const char* start;
        const char* end;
        const char* prefix;
        int badMove;
        const char* reason;  // a part of the reason
    };
    const Case cases[] = {
        {"a1", "a2", "a1-e6-c5-a4-e3-c2-a3", 0, ""},
        {"a1", "a2", "a1", 0, ""},
        {"a1", "a2", "b1-d2", 1, "b1 is not the unit's start square"},
        {"a1", "a2", "a1-e6-c5-a5", 4, "a5 is not a knight step from c5"},
        {"a1", "a2", "a1-e6-c5-a4-e3-c2-a3-e2-c1-a2", 10, "a2 is the end square"},
        {"a1", "a2", "a1-e6-c5-a4-c5", 5, "c5 is already on the path"},
        {"a1", "a2", "a1-e6-a1", 3, "a1 is the start square"},
        // e1 would take the end square's last free neighbour: the guard refuses it.
        {"a1", "a2", "a1-e6-c5-a4-e3-c2-a3-f1-b2-d1-f6-d5-b6-f5-d4-b5-f4-b3-d2-e4-c3-e2-c1-d3-b4-c6-e1", 27,
         "the search does not try e1 after c6"},
        // A later repeat must not hide an earlier move that is no knight step.
        {"a1", "a2", "a1-e1-e1", 2, "e1 is not a knight step from a1"},
        {"a2", "b4", "a2-A4-a4", 2, "a4 is not a knight step from a2"},
        // Units no tour can have.
        {"a1", "a3", "a1", 1, "a1 and a3 have the same colour"},
        {"c3", "c3", "c3", 1, "c3 is both the start and the end square"},
    };
    for (const Case& c : cases) {
        const auto squares = Squares(c.prefix);
        const PrefixCheck check = CheckPrefix(Square(c.start), Square(c.end), squares.data(),
                                              static_cast<int>(squares.size()));
        EXPECT_EQ(check.badMove, c.badMove) << c.prefix << ": " << check.reason;
        EXPECT_NE(std::string(check.reason).find(c.reason), std::string::npos) << c.prefix << ": " << check.reason;
    }
    const uint8_t raw[] = {0, 29, 40, 7};  // a prefix read from a file: any byte
    EXPECT_EQ(CheckPrefix(0, 1, raw, 4).badMove, 3);
    EXPECT_STREQ(CheckPrefix(0, 1, raw, 4).reason, "square index 40 names no square");
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

// Whatever is refused, by the prefix or by the unit, searches and counts nothing.
TEST(Prefix, RefusedSearchesCountNothing) {
    auto state = testing::NewSearchState();
    const auto squares = Squares("a1-e6-c5-a5");
    PrefixCheck refusal{};
    EXPECT_EQ(SearchSubtree(*state, 0, 1, squares.data(), 4, 0, &refusal), SearchOutcome::Refused);
    EXPECT_EQ(refusal.badMove, 4);
    EXPECT_EQ(SearchWorkUnit(*state, 0, 2), SearchOutcome::Refused);  // a1-a3: same colour
    EXPECT_EQ(SearchWorkUnit(*state, 7, 7), SearchOutcome::Refused);
    EXPECT_EQ(NodeTotal(*state), 0u);
    EXPECT_TRUE(testing::HoldsInitialValues(*state));
}

TEST(SquareStep, BudgetStopsExactlyAtItsLastNode) {
    for (const uint64_t budget : {1ull, 2ull, 34ull, 16383ull, 16384ull, 16385ull, 50000ull}) {
        auto state = testing::NewSearchState();
        EXPECT_EQ(SearchWorkUnit(*state, 0, 1, budget), SearchOutcome::BudgetReached);
        EXPECT_EQ(NodeTotal(*state), budget);
    }
}

}  // namespace
}  // namespace quorbit
