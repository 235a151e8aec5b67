// The square step, the whole of the search below a prefix, compiled once per unit shape
// (the walk along the prefix, prefix_walk.h, hands its last square to it): a translation of the torus maps every unit
// onto one that starts on a1 without changing the order of its moves or the bound checks
// (translations keep knight steps and carry files onto files and ranks onto ranks), so 18
// kernels, one per end square of the opposite colour, serve every unit. Each kernel is one
// loop over the squares as data, its lists of neighbours, guards and moves constant tables.
#pragma once

#include <array>
#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// Per end square, the 36 entries of the kernel whose start is a1 and whose end is that square
// (of the opposite colour to a1), one per square where a prefix may end. Null for an end
// square of a1's colour, and in each half for the ends of the other half (square_step.cpp).
extern const std::array<const StepFunction*, SQUARE_COUNT> kernelsOfFirstHalf;
extern const std::array<const StepFunction*, SQUARE_COUNT> kernelsOfSecondHalf;

}  // namespace quorbit
