// What every square step does, whether it runs in the per-unit kernel or in the walk
// along a prefix: counting the node, and (in the walk) placing or removing a move.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// Called when pollCountdown reaches 0: ends the search at the budget or on a halt request
// (recording the outcome), otherwise sets the next poll.
bool TimeToStop(SearchState& state);

// Counts the node of move n on square s (in the search's own frame) and records it in
// path as a board square. Returns false when the search must unwind.
QUORBIT_ALWAYS_INLINE bool CountNode(SearchState& state, int s, uint32_t n) {
    BumpCounter(state.nodeCounters[n - 1]);
    state.path[n - 1].store(state.squareMap[s], std::memory_order_relaxed);
    if (--state.pollCountdown == 0 && TimeToStop(state)) [[unlikely]] {
        state.unwinding = true;
        return false;
    }
    return true;
}

// The walk's placing and removing of move n on square s's file and rank; the kernel keeps
// its lines in a LineFrame instead (line_frame.h).
inline void PlaceMove(SearchState& state, int s, uint32_t n) {
    for (const int line : {FileLine(s), RankLine(s)}) {
        state.lineSum[line] += n;
        ++state.lineFill[line];
    }
}

inline void RemoveMove(SearchState& state, int s, uint32_t n) {
    for (const int line : {FileLine(s), RankLine(s)}) {
        state.lineSum[line] -= n;
        --state.lineFill[line];
    }
}

}  // namespace quorbit
