// The square-step search: a depth-first walk of the knight over the torus that keeps
// every file and rank sum within the bound table and prunes by free neighbour counts.
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

// Searches the part of the unit's tree that lies on and below the prefix (whose first
// square must be the start square), counting its nodes in state.nodeCounters and handing
// every tour to state.solutionSink. With nodeBudget > 0 the search stops right after it
// has counted that many nodes. Before the call freeCount, lineSum and lineFill must hold
// their initial values; after an outcome other than Finished they must be reset.
// A prefix the search would never take, or a unit no tour has, is refused with the reason
// in *refusal if given, and nothing is searched or counted.
SearchOutcome SearchSubtree(SearchState& state, int start, int end, const uint8_t* prefix, int prefixLength,
                            uint64_t nodeBudget, PrefixCheck* refusal = nullptr);

// The whole unit: the subtree below its start square.
SearchOutcome SearchWorkUnit(SearchState& state, int start, int end, uint64_t nodeBudget = 0);

}  // namespace quorbit
