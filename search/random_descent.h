// Knuth's estimate of a subtree's size: one random descent from the subtree's root to a
// node without moves, taking at each node one of the moves the search would try there,
// each with the same chance. With d1, d2, ... the numbers of moves met on the way down,
// 1 + d1 + d1·d2 + ... is an unbiased estimate of the nodes the search counts in the
// subtree: averaged over many descents it tends to the exact count. It runs beside the
// search, never inside it, on a state of its own.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// A small generator (SplitMix64): the same seed gives the same descents.
struct DescentRandom {
    uint64_t state;
};

inline uint64_t NextRandom(DescentRandom& random) {
    uint64_t z = (random.state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

// The walker's own state for one unit, in board squares; large, so kept by the caller.
struct DescentWalker {
    SearchState state;
};

// Readies the walker for the unit's squares (of opposite colours).
void PrepareDescentWalker(DescentWalker& walker, int start, int end);

// The sum of `descents` estimates, each from one random descent below the prefix, of the
// nodes the search counts on and below the prefix's last move (that move's node included).
// The prefix must be one the search takes (CheckPrefix accepts it), of 1 to HOOK_MOVE moves.
double SumOfDescents(DescentWalker& walker, const uint8_t* prefix, int prefixLength, int descents,
                     DescentRandom& random);

}  // namespace quorbit
