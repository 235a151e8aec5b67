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

// The progress reporter, with each line: the first `depth` squares of the state's path (held
// within 1..36, as the line holds them) and the unit being computed.
void PublishProgressPath(int32_t unit, const SearchState& state, int32_t depth);

// A consistent copy of the last one published (or of none: unit -1, no moves).
void LastProgressPath(ProgressPath& out);

}  // namespace quorbit
