// The walk along a prefix of moves: every search starts with it (the walk takes the prefix's
// moves as the square step would, then hands the last square to the kernel), and it checks a
// prefix before anything is searched below it.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// Why a prefix of moves is one the search would never take.
struct PrefixCheck {
    int badMove;         // 1-based move number of the first bad move; 0 when the prefix is good
    char reason[128];    // what is wrong with it, e.g. "c5 is not a knight step from a1"
};

// Walks the prefix as the search would take it, without counting anything, and names its
// first bad move. A unit no tour has (start and end the same square or of the same colour)
// is refused at move 1, whatever the prefix.
PrefixCheck CheckPrefix(int start, int end, const uint8_t* prefix, int prefixLength);

// Sets the search's frame (the board translated so that start is a1) and its bookkeeping for
// a search with the given node budget (0: none), and turns the prefix into that frame.
void BeginSearch(SearchState& state, int start, int end, const uint8_t* prefix, int length, uint8_t* framed,
                 uint64_t nodeBudget);

// Takes the framed prefix's moves as the square step would. With searchBelow the last prefix
// square's step is the kernel's full search, counting every node on the way; without it the
// walk only checks the prefix (the first bad move goes to check), counts nothing and restores
// the state. Returns false for a bad move.
bool WalkPrefix(SearchState& state, const uint8_t* prefix, int length, bool searchBelow, PrefixCheck& check);

}  // namespace quorbit
