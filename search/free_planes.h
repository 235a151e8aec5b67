// The free counts as bit planes: bit q of `low`, `middle` and `high` holds in binary how far
// square q's count is below 7 (7 minus the count) while the count is 0..7, and bit q of
// `negative` is set once the count is below 0 (a square on the path, or one with no neighbour
// left off it). That is all the step reads of a count: whether it is 0 and whether it is
// negative. Four words lower all neighbours of a square at once with a carry chain, and
// being values, they go down the search in registers: a step never undoes them. The planes
// count down from 7 rather than hold the count, which spares the chain and the zero test
// three inversions.
#pragma once

#include <cstdint>

#include "search/search_state.h"


namespace quorbit {

struct FreePlanes {
    uint64_t low;
    uint64_t middle;
    uint64_t high;
    uint64_t negative;
};

// Subtracts 1 from the count of every square in `squares`.
QUORBIT_ALWAYS_INLINE FreePlanes LowerCounts(FreePlanes p, uint64_t squares) {
    const uint64_t carryMiddle = squares & p.low;
    const uint64_t carryHigh = carryMiddle & p.middle;
    const uint64_t carryOut = carryHigh & p.high;
    return {p.low ^ squares, p.middle ^ carryMiddle, p.high ^ carryHigh, p.negative | carryOut};
}

// The squares whose count is exactly 0 (among squares 0..35; the other bits mean nothing).
QUORBIT_ALWAYS_INLINE uint64_t ZeroCounts(FreePlanes p) { return p.low & p.middle & p.high & ~p.negative; }

// The planes of the counts as they stand in the state.
QUORBIT_ALWAYS_INLINE FreePlanes FreePlanesOf(const SearchState& state) {
    FreePlanes p{0, 0, 0, 0};
    for (int q = 0; q < SQUARE_COUNT; ++q) {
        const int count = state.freeCount[q];
        const uint64_t bit = 1ull << q;
        if (count < 0) {
            p.negative |= bit;
            continue;
        }
        const int below = INITIAL_FREE_COUNT - count;
        if (below & 1) p.low |= bit;
        if (below & 2) p.middle |= bit;
        if (below & 4) p.high |= bit;
    }
    return p;
}

}  // namespace quorbit
