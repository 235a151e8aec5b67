// Entering and leaving a square in the free counts: the step lowers every neighbour but
// the start square and marks the square itself, all with one precomputed mask per square.
#pragma once

#include <cstdint>

#include "search/child_bounds.h"
#include "search/search_state.h"
#include "search/step_common.h"

#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
#include <emmintrin.h>
#endif

namespace quorbit {

// Per square: 1 in each lowered neighbour's lane, VISITED_MARK in the square's own lane.
struct alignas(16) EnterMask {
    int8_t lanes[FREE_COUNT_LANES];
};

// What the counts say once a square is entered.
struct FreeSets {
    SquareSet zero;     // squares whose count is exactly 0
    SquareSet nonNeg;   // squares whose count is 0 or more
};

// Lowering and marking at once is the same as lowering, testing for dead ends and then
// marking: the square's own lane is never one of its neighbours', and a dead end undoes both.
QUORBIT_ALWAYS_INLINE FreeSets EnterSquare(SearchState& state, const EnterMask& mask) {
#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
    auto* counts = reinterpret_cast<__m128i*>(state.freeCount);
    const auto* lanes = reinterpret_cast<const __m128i*>(mask.lanes);
    const __m128i zero = _mm_setzero_si128();
    const __m128i minusOne = _mm_set1_epi8(-1);
    uint64_t zeroBits = 0;
    uint64_t nonNegBits = 0;
    for (int part = 0; part < 3; ++part) {
        const __m128i v = _mm_sub_epi8(_mm_load_si128(counts + part), _mm_load_si128(lanes + part));
        _mm_store_si128(counts + part, v);
        zeroBits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero))))
                    << (16 * part);
        nonNegBits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, minusOne))))
                      << (16 * part);
    }
    return {zeroBits, nonNegBits};
#else
    FreeSets sets{0, 0};
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        state.freeCount[s] = static_cast<int8_t>(state.freeCount[s] - mask.lanes[s]);
        sets.zero |= static_cast<SquareSet>(state.freeCount[s] == 0) << s;
        sets.nonNeg |= static_cast<SquareSet>(state.freeCount[s] >= 0) << s;
    }
    return sets;
#endif
}

QUORBIT_ALWAYS_INLINE void LeaveSquare(SearchState& state, const EnterMask& mask) {
#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
    auto* counts = reinterpret_cast<__m128i*>(state.freeCount);
    const auto* lanes = reinterpret_cast<const __m128i*>(mask.lanes);
    for (int part = 0; part < 3; ++part)
        _mm_store_si128(counts + part, _mm_add_epi8(_mm_load_si128(counts + part), _mm_load_si128(lanes + part)));
#else
    for (int s = 0; s < SQUARE_COUNT; ++s) state.freeCount[s] = static_cast<int8_t>(state.freeCount[s] + mask.lanes[s]);
#endif
}

}  // namespace quorbit
