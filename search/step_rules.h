// The square step's rules in their plain form, as the walks along prefixes and the cut of
// a subtree into tasks apply them one square at a time. The kernel judges the same rules
// for all children at once.
#pragma once

#include <cstdint>

#include "search/bound_table.h"
#include "search/search_state.h"

namespace quorbit {

// The bound checks of square s entered at move n, as the table states them: its own file
// and rank with n added, then the ten other lines as they stand.
inline bool PassesBounds(const SearchState& state, int s, uint32_t n) {
    const int file = FileLine(s);
    const int rank = RankLine(s);
    const auto& lower = boundTable[0];
    const auto& ownUpper = boundTable[n + 3];
    const auto& otherUpper = boundTable[n + 1];
    for (const int line : {file, rank}) {
        const uint32_t sum = state.lineSum[line] + n;
        const uint32_t fill = state.lineFill[line];
        if (sum < lower[fill + 1] || sum > ownUpper[fill + 1]) return false;
    }
    for (int line = 0; line < LINE_COUNT; ++line) {
        if (line == file || line == rank) continue;
        if (state.lineSum[line] > otherUpper[state.lineFill[line]]) return false;
    }
    return true;
}

// Entering a square lowers the free count of each of its neighbours (its lowering list);
// returns how many of them, the end square aside, are left with no way on but this one.
// Two or more make a dead end; one forces the next move there.
inline int LowerNeighbours(SearchState& state, const SquarePlan& square) {
    int zeros = 0;
    for (int k = 0; k < square.lowerCount; ++k) {
        const int q = square.lower[k];
        if (--state.freeCount[q] == 0 && q != state.plan.end) ++zeros;
    }
    return zeros;
}

inline void RaiseNeighbours(SearchState& state, const SquarePlan& square) {
    for (int k = 0; k < square.lowerCount; ++k) ++state.freeCount[square.lower[k]];
}

// Whether move i of the square's move list is tried when its turn comes.
inline bool IsCandidate(const SearchState& state, const SquarePlan& square, int i, bool forced) {
    const int32_t count = state.freeCount[square.moves[i]];
    if (forced ? count != 0 : count < 0) return false;
    if ((square.guardMask >> i) & 1u) return state.freeCount[state.plan.end] != 0;
    return true;
}

}  // namespace quorbit
