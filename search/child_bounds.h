// The bound checks of every square that could be entered at the next move, judged at once
// from the per-line move ranges: the result is the set of squares that would pass.
#pragma once

#include <array>
#include <cstdint>

#include "search/line_bounds.h"
#include "search/step_common.h"
#include "search/search_state.h"

#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
#include <emmintrin.h>
#endif

namespace quorbit {

using SquareSet = uint64_t;  // bit s: square s

namespace child_bounds_detail {

constexpr SquareSet FileSquares(int file) { return 0x3Full << (6 * file); }
constexpr SquareSet RankSquares(int rank) {
    SquareSet set = 0;
    for (int file = 0; file < BOARD_SIZE; ++file) set |= 1ull << MakeSquare(file, rank);
    return set;
}

// Indexed by a 6-bit set of files (or ranks).
struct LineSetTables {
    std::array<SquareSet, 64> anyFile;   // squares on any of the files
    std::array<SquareSet, 64> anyRank;
    std::array<SquareSet, 64> allFiles;  // squares on every one of the files (all squares for none)
    std::array<SquareSet, 64> allRanks;
};

constexpr LineSetTables MakeLineSetTables() {
    LineSetTables t{};
    for (int set = 0; set < 64; ++set) {
        t.allFiles[set] = t.allRanks[set] = (1ull << SQUARE_COUNT) - 1;
        for (int line = 0; line < BOARD_SIZE; ++line) {
            if (((set >> line) & 1) == 0) continue;
            t.anyFile[set] |= FileSquares(line);
            t.anyRank[set] |= RankSquares(line);
            t.allFiles[set] &= FileSquares(line);
            t.allRanks[set] &= RankSquares(line);
        }
    }
    return t;
}

inline constexpr LineSetTables lineSets = MakeLineSetTables();

}  // namespace child_bounds_detail

// A square passes when both its lines admit it as their own, and every line that fails as
// an other line is one of its own two.
QUORBIT_ALWAYS_INLINE SquareSet SquaresPassingBounds(const SearchState& state, uint32_t m) {
    uint32_t ownFail;
    uint32_t otherFail;
#if defined(__SSE2__) && !defined(QUORBIT_PORTABLE_SCALAR)
    const __m128i move = _mm_set1_epi8(static_cast<char>(m));
    const __m128i ownMin = _mm_load_si128(reinterpret_cast<const __m128i*>(state.ownMin));
    const __m128i ownMax = _mm_load_si128(reinterpret_cast<const __m128i*>(state.ownMax));
    const __m128i otherMax = _mm_load_si128(reinterpret_cast<const __m128i*>(state.otherMax));
    ownFail = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi8(ownMin, move), _mm_cmpgt_epi8(move, ownMax))));
    otherFail = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpgt_epi8(move, otherMax)));
#else
    const auto move = static_cast<int8_t>(m);
    ownFail = 0;
    otherFail = 0;
    for (int line = 0; line < LINE_COUNT; ++line) {
        ownFail |= static_cast<uint32_t>(state.ownMin[line] > move || move > state.ownMax[line]) << line;
        otherFail |= static_cast<uint32_t>(move > state.otherMax[line]) << line;
    }
#endif
    const auto& t = child_bounds_detail::lineSets;
    const uint32_t ownPass = ~ownFail;
    return t.anyFile[ownPass & 0x3F] & t.anyRank[(ownPass >> 6) & 0x3F] & t.allFiles[otherFail & 0x3F] &
           t.allRanks[(otherFail >> 6) & 0x3F];
}

}  // namespace quorbit
