#include "search/bound_table.h"
#include "search/line_bounds.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorbit {
namespace {

std::vector<uint32_t> Row(int r) { return {boundTable[r].begin(), boundTable[r].begin() + 7}; }

TEST(BoundTable, TellingRowsHoldTheirValues) {
    EXPECT_EQ(Row(0), (std::vector<uint32_t>{0, 0, 0, 9, 41, 75, 111}));
    EXPECT_EQ(Row(1), (std::vector<uint32_t>{81, 91, 99, 105, 109, 111, 111}));
    EXPECT_EQ(Row(2), (std::vector<uint32_t>{75, 86, 95, 102, 107, 110, 111}));
    EXPECT_EQ(Row(14), (std::vector<uint32_t>{3, 26, 47, 66, 83, 98, 111}));
    EXPECT_EQ(Row(15), (std::vector<uint32_t>{0, 21, 43, 63, 81, 97, 111}));
    EXPECT_EQ(Row(35), (std::vector<uint32_t>{0, 0, 0, 3, 41, 77, 111}));
    EXPECT_EQ(Row(37), (std::vector<uint32_t>{0, 0, 0, 0, 37, 75, 111}));
}

TEST(BoundTable, FullLinesAllowExactly111AndPaddingHasNoLimit) {
    for (int r = 0; r < BOUND_ROWS; ++r) {
        EXPECT_EQ(boundTable[r][6], 111u) << "row " << r;
        for (int c = 7; c < BOUND_COLUMNS; ++c) EXPECT_EQ(boundTable[r][c], NO_LIMIT);
    }
}

TEST(BoundTable, UpperBoundsNeverRiseWithTheMoveNumber) {
    for (int r = 2; r < BOUND_ROWS; ++r)
        for (int c = 0; c <= 6; ++c) EXPECT_LE(boundTable[r][c], boundTable[r - 1][c]) << r << "," << c;
}

}  // namespace
}  // namespace quorbit

namespace quorbit {
namespace {

// The per-line ranges must admit exactly the move numbers the bound table admits.
TEST(LineBoundTable, AdmitsExactlyWhatTheBoundTableAdmits) {
    for (uint32_t fill = 0; fill <= 6; ++fill) {
        for (uint32_t sum = 0; sum <= 111; ++sum) {
            const LineBoundEntry& entry = lineBoundTable[fill][sum];
            for (uint32_t m = 1; m <= 34; ++m) {
                const bool own = fill < 6 && sum + m >= boundTable[0][fill + 1] && sum + m <= boundTable[m + 3][fill + 1];
                const bool other = sum <= boundTable[m + 1][fill];
                const auto move = static_cast<int8_t>(m);
                EXPECT_EQ(own, entry.ownMin <= move && move <= entry.ownMax) << fill << " " << sum << " " << m;
                EXPECT_EQ(other, move <= entry.otherMax) << fill << " " << sum << " " << m;
            }
        }
    }
}

}  // namespace
}  // namespace quorbit
