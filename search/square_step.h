// The square step, the whole of the search below a prefix, compiled once per unit shape
// (the walk along the prefix, prefix_walk.h, hands its last square to it): a translation of the torus maps every unit
// onto one that starts on a1 without changing the order of its moves or the bound checks
// (translations keep knight steps and carry files onto files and ranks onto ranks), so 18
// kernels, one per end square of the opposite colour, serve every unit. Each kernel has a
// step function per square with its lists of neighbours, guards and children as constants.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// The 36 step functions of the kernel whose start is a1 and whose end is the given square
// (of the opposite colour to a1); entries for a1's colour-mates and the end are only used
// as the search reaches them. Null for an end square of a1's colour.
const StepFunction* KernelSteps(int end);

}  // namespace quorbit
