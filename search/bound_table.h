// The constant bounds on a line's partial sum, by the line's fill and the move number.
#pragma once

#include <array>
#include <cstdint>

#include "search/geometry.h"

namespace quorbit {

inline constexpr int BOUND_ROWS = 38;
inline constexpr int BOUND_COLUMNS = 16;  // columns 7..15 are padding with no limit
inline constexpr uint32_t NO_LIMIT = 0xFFFFFFFFu;

using BoundTable = std::array<std::array<uint32_t, BOUND_COLUMNS>, BOUND_ROWS>;

// Row 0 holds lower bounds: a line with c numbers must already sum to at least
// 111 minus the largest sum its 6 - c missing numbers could still bring (36, 34, ...).
// Row r >= 1 holds upper bounds: the 6 - c missing numbers are at least r - 1 and two
// apart (neighbouring moves never share a line), so they bring at least
// (6 - c)(r - 1) + (6 - c)(5 - c). Negative bounds are stored as 0.
//
// A build for tests only (QUORBIT_ADMIT_EVERY_SUM) keeps the lower bounds at 0 and the upper
// bounds without limit, so that its searches find every knight's tour below their prefix,
// magic or not, with the move rules untouched; the real search has too few tours to test.
#ifdef QUORBIT_ADMIT_EVERY_SUM
inline constexpr bool EVERY_SUM_ADMITTED = true;
#else
inline constexpr bool EVERY_SUM_ADMITTED = false;
#endif

constexpr BoundTable MakeBoundTable() {
    BoundTable table{};
    for (auto& row : table)
        for (auto& cell : row) cell = NO_LIMIT;
    if (EVERY_SUM_ADMITTED) {
        for (auto& cell : table[0]) cell = 0;
        return table;
    }
    for (int c = 0; c <= 6; ++c) {
        int largestMissing = 0;
        for (int i = 0; i < 6 - c; ++i) largestMissing += 36 - 2 * i;
        const int lower = (c == 0) ? 0 : MAGIC_SUM - largestMissing;
        table[0][c] = static_cast<uint32_t>(lower < 0 ? 0 : lower);
    }
    for (int r = 1; r < BOUND_ROWS; ++r) {
        for (int c = 0; c <= 6; ++c) {
            const int upper = MAGIC_SUM - (6 - c) * (r - 1) - (6 - c) * (5 - c);
            table[r][c] = static_cast<uint32_t>(upper < 0 ? 0 : upper);
        }
    }
    return table;
}

inline constexpr BoundTable boundTable = MakeBoundTable();

}  // namespace quorbit
