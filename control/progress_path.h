// What the last progress line showed, kept for a front-end that draws it as a board: the
// unit, and the squares of the moves the line names.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

struct ProgressPath {
    int32_t unit;   // -1 before the first progress line
    int32_t moves;  // squares[0 .. moves) are moves 1..moves
    uint8_t squares[SQUARE_COUNT];
};

// The squares a progress line shows, read from the state's path while the search moves on
// (deeper squares are the ones last placed there): the first `depth`, held within 1..36,
// but none from the first square that repeats an earlier one, since past it lie squares
// never reached (a1, the path's first zero), which would only push the line's time and
// nodes out of sight. Returns how many were written to squares.
int ProgressSquares(const SearchState& state, int32_t depth, uint8_t squares[SQUARE_COUNT]);

// The progress reporter, with each line: the squares it shows and the unit being computed.
void PublishProgressPath(int32_t unit, const SearchState& state, int32_t depth);

// A consistent copy of the last one published (or of none: unit -1, no moves).
void LastProgressPath(ProgressPath& out);

}  // namespace quorbit
