// The free counts as bit planes: bit q of `low`, `middle` and `high` holds square q's count in
// binary while it is 0..7, and bit q of `negative` is set once the count is below 0 (a square
// on the path, or one with no neighbour left off it). That is all the step reads of a count:
// whether it is 0 and whether it is negative. Four words lower all neighbours of a square at
// once with a borrow chain, and being values, they go down the search in registers: a step
// never undoes them.
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
    const uint64_t borrowMiddle = squares & ~p.low;
    const uint64_t borrowHigh = borrowMiddle & ~p.middle;
    const uint64_t borrowOut = borrowHigh & ~p.high;
    return {p.low ^ squares, p.middle ^ borrowMiddle, p.high ^ borrowHigh, p.negative | borrowOut};
}

// The squares whose count is exactly 0 (bits 36..63 are set too and mean nothing).
QUORBIT_ALWAYS_INLINE uint64_t ZeroCounts(FreePlanes p) { return ~(p.low | p.middle | p.high | p.negative); }

inline FreePlanes FreePlanesOf(const SearchState& state) {
    FreePlanes p{0, 0, 0, 0};
    for (int q = 0; q < SQUARE_COUNT; ++q) {
        const int count = state.freeCount[q];
        const uint64_t bit = 1ull << q;
        if (count < 0) {
            p.negative |= bit;
            continue;
        }
        if (count & 1) p.low |= bit;
        if (count & 2) p.middle |= bit;
        if (count & 4) p.high |= bit;
    }
    return p;
}

}  // namespace quorbit
