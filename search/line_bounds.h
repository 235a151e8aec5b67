// The bound table recast per line: for a line with a given fill and sum, the range of move
// numbers a square of the line may be entered at (its own check), and the last move number
// at which a square on another line may be entered (the other-line check). The search keeps
// these three bytes per line up to date, so that the checks of all children of a step
// reduce to a few byte comparisons over the twelve lines at once.
#pragma once

#include <array>
#include <cstdint>

#include "search/bound_table.h"

namespace quorbit {

// Without bounds a line's six numbers, two apart, reach 36 + 34 + ... + 26 = 186.
inline constexpr int MAX_LINE_SUM = EVERY_SUM_ADMITTED ? 186 : MAGIC_SUM;
inline constexpr int LINE_SUM_SLOTS = MAX_LINE_SUM < 128 ? 128 : 256;  // a power of two: the lookup is a shift
inline constexpr int FIRST_MOVE = 1;
inline constexpr int LAST_STEP_MOVE = 34;
inline constexpr int8_t NEVER = 127;  // a move number no square step reaches

struct LineBoundEntry {
    int8_t ownMin;    // a square of this line passes its own check at move m iff ownMin <= m <= ownMax
    int8_t ownMax;
    int8_t otherMax;  // a square off this line passes this line's check at move m iff m <= otherMax
    int8_t padding;   // four bytes an entry and 128 entries a fill keep the lookup a shift
};

using LineBoundTable = std::array<std::array<LineBoundEntry, LINE_SUM_SLOTS>, 7>;

// Found by trying every move number against the bound table itself, so the two can never
// disagree; the sets of passing move numbers are intervals because the upper bounds never
// rise with the move number and the lower bound does not depend on it.
constexpr LineBoundTable MakeLineBoundTable() {
    LineBoundTable table{};
    for (uint32_t fill = 0; fill <= 6; ++fill) {
        for (uint32_t sum = 0; sum <= MAX_LINE_SUM; ++sum) {
            LineBoundEntry entry{NEVER, 0, 0, 0};
            for (uint32_t m = FIRST_MOVE; m <= LAST_STEP_MOVE; ++m) {
                if (fill < 6 && sum + m >= boundTable[0][fill + 1] && sum + m <= boundTable[m + 3][fill + 1]) {
                    if (entry.ownMin == NEVER) entry.ownMin = static_cast<int8_t>(m);
                    entry.ownMax = static_cast<int8_t>(m);
                }
                if (sum <= boundTable[m + 1][fill]) entry.otherMax = static_cast<int8_t>(m);
            }
            if (entry.otherMax == LAST_STEP_MOVE) entry.otherMax = NEVER;
            table[fill][sum] = entry;
        }
    }
    return table;
}

inline constexpr LineBoundTable lineBoundTable = MakeLineBoundTable();

}  // namespace quorbit
