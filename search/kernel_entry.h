// The way into the square step's kernels from the rest of the program. The kernel files are
// compiled with rbx and r12 to r15 call-clobbered (GCC on x86-64), which spares every step
// the saving and restoring of registers that only the step's callers need, and on Windows
// their functions use the System V convention (QUORBIT_KERNEL_ABI); EnterKernel is the one
// door in, and saves for the caller what its own convention keeps.
#pragma once

#include <cstdint>

#include "search/search_state.h"

namespace quorbit {

// The kernel's step functions for the unit shape with this end square (in the search's frame).
const StepFunction* KernelSteps(int end);

// Runs a kernel step function (from KernelSteps) for move n.
void EnterKernel(StepFunction step, SearchState& state, uint32_t n);

}  // namespace quorbit
