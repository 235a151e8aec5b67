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

#elif defined(_WIN64) && defined(__x86_64__)

// Windows x64: the kernel runs under the System V convention (QUORBIT_KERNEL_ABI) with rbx
// and r12 to r15 call-clobbered besides, so this saves everything Windows's convention has
// the callee keep and the kernel does not: rbx, rsi, rdi, r12 to r15 and xmm6 to xmm15 (rbp
// the kernel keeps itself), then passes the state and n as System V wants them. Seven pushes
// and 160 bytes keep the stack aligned to 16 bytes for the saves and at the call. The unwind
// codes describe the prologue, so that a debugger or an exception walking the stack through
// here finds the caller's registers.
extern "C" void QuorbitEnterKernel(StepFunction step, SearchState& state, uint32_t n);
asm(R"(
    .text
    .p2align 4
    .def QuorbitEnterKernel; .scl 3; .type 32; .endef
    .seh_proc QuorbitEnterKernel
QuorbitEnterKernel:
    push %rbx
    .seh_pushreg %rbx
    push %rsi
    .seh_pushreg %rsi
    push %rdi
    .seh_pushreg %rdi
    push %r12
    .seh_pushreg %r12
    push %r13
    .seh_pushreg %r13
    push %r14
    .seh_pushreg %r14
    push %r15
    .seh_pushreg %r15
    sub $160, %rsp
    .seh_stackalloc 160
    movaps %xmm6, 0(%rsp)
    .seh_savexmm %xmm6, 0
    movaps %xmm7, 16(%rsp)
    .seh_savexmm %xmm7, 16
    movaps %xmm8, 32(%rsp)
    .seh_savexmm %xmm8, 32
    movaps %xmm9, 48(%rsp)
    .seh_savexmm %xmm9, 48
    movaps %xmm10, 64(%rsp)
    .seh_savexmm %xmm10, 64
    movaps %xmm11, 80(%rsp)
    .seh_savexmm %xmm11, 80
    movaps %xmm12, 96(%rsp)
    .seh_savexmm %xmm12, 96
    movaps %xmm13, 112(%rsp)
    .seh_savexmm %xmm13, 112
    movaps %xmm14, 128(%rsp)
    .seh_savexmm %xmm14, 128
    movaps %xmm15, 144(%rsp)
    .seh_savexmm %xmm15, 144
    .seh_endprologue
    mov %rcx, %rax
    mov %rdx, %rdi
    mov %r8d, %esi
    call *%rax
    movaps 0(%rsp), %xmm6
    movaps 16(%rsp), %xmm7
    movaps 32(%rsp), %xmm8
    movaps 48(%rsp), %xmm9
    movaps 64(%rsp), %xmm10
    movaps 80(%rsp), %xmm11
    movaps 96(%rsp), %xmm12
    movaps 112(%rsp), %xmm13
    movaps 128(%rsp), %xmm14
    movaps 144(%rsp), %xmm15
    add $160, %rsp
    pop %r15
    pop %r14
    pop %r13
    pop %r12
    pop %rdi
    pop %rsi
    pop %rbx
    ret
    .seh_endproc
)");

void EnterKernel(StepFunction step, SearchState& state, uint32_t n) { QuorbitEnterKernel(step, state, n); }

#else

void EnterKernel(StepFunction step, SearchState& state, uint32_t n) { step(state, n); }

#endif

}  // namespace quorbit
