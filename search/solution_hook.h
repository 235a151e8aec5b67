// Completes a tour whose move 34 has just been counted and hands it to the solution sink.
#pragma once

#include "search/search_state.h"

namespace quorbit {

// Move 36 is the end square; move 35 is the one end neighbour still off the path, the only
// one whose free count is not negative. The bound checks of moves 1..34 already guarantee
// that every line sums to 111, so nothing else is checked here.
void SolutionHook(SearchState& state);

// The same, for a search that keeps its free counts elsewhere and has found move 35
// (a square of the search's frame) itself.
void CompleteTour(SearchState& state, int moveThirtyFive);

}  // namespace quorbit
