// What every square step does, whether it runs in the per-unit kernel or in the walk
// along a prefix: counting the node, and placing or removing a move on its two lines.
#pragma once

#include <array>
#include <cstdint>

#include "search/line_bounds.h"
#include "search/search_state.h"

// The kernel's step functions are large; these pieces must still be part of them.
#define QUORBIT_ALWAYS_INLINE inline __attribute__((always_inline))

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

QUORBIT_ALWAYS_INLINE void RefreshLineBounds(SearchState& state, int line) {
    const LineBoundEntry& entry = lineBoundTable[state.lineFill[line]][state.lineSum[line]];
    state.ownMin[line] = entry.ownMin;
    state.ownMax[line] = entry.ownMax;
    state.otherMax[line] = entry.otherMax;
}

QUORBIT_ALWAYS_INLINE void PlaceMove(SearchState& state, int s, uint32_t n) {
    const int file = FileLine(s);
    const int rank = RankLine(s);
    state.lineSum[file] += n;
    state.lineSum[rank] += n;
    ++state.lineFill[file];
    ++state.lineFill[rank];
    RefreshLineBounds(state, file);
    RefreshLineBounds(state, rank);
}

QUORBIT_ALWAYS_INLINE void RemoveMove(SearchState& state, int s, uint32_t n) {
    const int file = FileLine(s);
    const int rank = RankLine(s);
    state.lineSum[file] -= n;
    state.lineSum[rank] -= n;
    --state.lineFill[file];
    --state.lineFill[rank];
    RefreshLineBounds(state, file);
    RefreshLineBounds(state, rank);
}

}  // namespace quorbit
