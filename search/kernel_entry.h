// The way into the square step's kernels from the rest of the program: a kernel per unit
// shape, an entry per square where the walk along a prefix hands over.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// The kernel's step functions for the unit shape with this end square (in the search's frame).
const StepFunction* KernelSteps(int end);

// Runs a kernel step function (from KernelSteps) for move n.
void EnterKernel(StepFunction step, SearchState& state, uint32_t n);

}  // namespace quorbit
