#include "search/kernel_entry.h"

#include "search/square_step.h"

namespace quorbit {

const StepFunction* KernelSteps(int end) {
    return end < SQUARE_COUNT / 2 ? kernelsOfFirstHalf[end] : kernelsOfSecondHalf[end];
}

void EnterKernel(StepFunction step, SearchState& state, uint32_t n) { step(state, n); }


}  // namespace quorbit
