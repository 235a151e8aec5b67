#include "search/kernel_entry.h"

#include "search/square_step.h"

namespace quorbit {

const StepFunction* KernelSteps(int end) {
    return end < SQUARE_COUNT / 2 ? kernelsOfFirstHalf[end] : kernelsOfSecondHalf[end];
}

#if defined(__x86_64__) && defined(__ELF__)

// Saves the registers the kernel files treat as call-clobbered, then calls the step: five
// pushes keep the stack aligned to 16 bytes at the call.
extern "C" void QuorbitEnterKernel(StepFunction step, SearchState& state, uint32_t n);
asm(R"(
    .text
    .p2align 4
    .local QuorbitEnterKernel
    .type QuorbitEnterKernel, @function
QuorbitEnterKernel:
    .cfi_startproc
    push %rbx
    .cfi_adjust_cfa_offset 8
    .cfi_rel_offset %rbx, 0
    push %r12
    .cfi_adjust_cfa_offset 8
    .cfi_rel_offset %r12, 0
    push %r13
    .cfi_adjust_cfa_offset 8
    .cfi_rel_offset %r13, 0
    push %r14
    .cfi_adjust_cfa_offset 8
    .cfi_rel_offset %r14, 0
    push %r15
    .cfi_adjust_cfa_offset 8
    .cfi_rel_offset %r15, 0
    mov %rdi, %rax
    mov %rsi, %rdi
    mov %edx, %esi
    call *%rax
    pop %r15
    .cfi_adjust_cfa_offset -8
    pop %r14
    .cfi_adjust_cfa_offset -8
    pop %r13
    .cfi_adjust_cfa_offset -8
    pop %r12
    .cfi_adjust_cfa_offset -8
    pop %rbx
    .cfi_adjust_cfa_offset -8
    ret
    .cfi_endproc
    .size QuorbitEnterKernel, .-QuorbitEnterKernel
)");

void EnterKernel(StepFunction step, SearchState& state, uint32_t n) { QuorbitEnterKernel(step, state, n); }

#else

void EnterKernel(StepFunction step, SearchState& state, uint32_t n) { step(state, n); }

#endif

}  // namespace quorbit
