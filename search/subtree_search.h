// The search's entry points: a whole unit, or the part of it below a prefix of moves.
#pragma once

#include <cstdint>

#include "search/prefix_walk.h"
#include "search/search_state.h"

namespace quorbit {

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
