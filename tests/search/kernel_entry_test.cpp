// The kernel files treat rbx and r12 to r15 as call-clobbered (and on Windows use a convention
// that does not keep rsi, rdi and xmm6 to xmm15); EnterKernel is the door that must give the
// caller those registers back. The caller's own code keeps nothing in them across the call
// today, so only a caller that fills every one of them can tell.
#include "search/kernel_entry.h"

#include <gtest/gtest.h>

#include "search/prefix_walk.h"
#include "tests/search_fixtures.h"

namespace quorbit {
namespace {

#if defined(__x86_64__) && defined(__ELF__)

using Entry = void (*)(StepFunction, SearchState&, uint32_t);

// Calls entry(step, state, n) with a quorbit_mark in each register the callee must preserve; returns
// the marks that did not survive, ORed together (0 when all did).
extern "C" uint64_t QuorbitCallKeepingMarks(Entry entry, StepFunction step, SearchState* state, uint32_t n);
asm(R"(
    .text
    .p2align 4
    .local QuorbitCallKeepingMarks
    .type QuorbitCallKeepingMarks, @function
QuorbitCallKeepingMarks:
    .irp r,rbx,rbp,r12,r13,r14,r15
    push %\r
    .endr
    sub $8, %rsp
    mov %rdi, %rax
    mov %rsi, %rdi
    mov %rdx, %rsi
    mov %ecx, %edx
    .set quorbit_mark, 0x5b5b5b5b5b5b5b01
    .irp r,rbx,rbp,r12,r13,r14,r15
    movabs $quorbit_mark, %\r
    .set quorbit_mark, quorbit_mark+1
    .endr
    call *%rax
    xor %eax, %eax
    .set quorbit_mark, 0x5b5b5b5b5b5b5b01
    .irp r,rbx,rbp,r12,r13,r14,r15
    movabs $quorbit_mark, %rcx
    xor %\r, %rcx
    or %rcx, %rax
    .set quorbit_mark, quorbit_mark+1
    .endr
    add $8, %rsp
    .irp r,r15,r14,r13,r12,rbp,rbx
    pop %\r
    .endr
    ret
    .size QuorbitCallKeepingMarks, .-QuorbitCallKeepingMarks
)");

#elif defined(_WIN64) && defined(__x86_64__)

using Entry = void (*)(StepFunction, SearchState&, uint32_t);

// As above, under Windows's convention, whose callee keeps rsi, rdi and xmm6 to xmm15 (both
// halves) too; the caller's own xmm6 to xmm15 are saved and given back around the test.
extern "C" uint64_t QuorbitCallKeepingMarks(Entry entry, StepFunction step, SearchState* state, uint32_t n);
asm(R"(
    .text
    .p2align 4
    .def QuorbitCallKeepingMarks; .scl 3; .type 32; .endef
    .seh_proc QuorbitCallKeepingMarks
QuorbitCallKeepingMarks:
    .irp r,rbx,rbp,rsi,rdi,r12,r13,r14,r15
    push %\r
    .seh_pushreg %\r
    .endr
    sub $200, %rsp
    .seh_stackalloc 200
    .irp n,6,7,8,9,10,11,12,13,14,15
    movaps %xmm\n, 16*\n-64(%rsp)
    .seh_savexmm %xmm\n, 16*\n-64
    .endr
    .seh_endprologue
    mov %rcx, %rax
    mov %rdx, %rcx
    mov %r8, %rdx
    mov %r9d, %r8d
    .set quorbit_mark, 0x5b5b5b5b5b5b5b01
    .irp r,rbx,rbp,rsi,rdi,r12,r13,r14,r15
    movabs $quorbit_mark, %\r
    .set quorbit_mark, quorbit_mark+1
    .endr
    .irp n,6,7,8,9,10,11,12,13,14,15
    movabs $0x5b5b5b5b5b5b5b00+\n+16, %r9
    movq %r9, %xmm\n
    pshufd $0x44, %xmm\n, %xmm\n
    .endr
    call *%rax
    xor %eax, %eax
    .set quorbit_mark, 0x5b5b5b5b5b5b5b01
    .irp r,rbx,rbp,rsi,rdi,r12,r13,r14,r15
    movabs $quorbit_mark, %rcx
    xor %\r, %rcx
    or %rcx, %rax
    .set quorbit_mark, quorbit_mark+1
    .endr
    .irp n,6,7,8,9,10,11,12,13,14,15
    movabs $0x5b5b5b5b5b5b5b00+\n+16, %rdx
    movq %xmm\n, %rcx
    xor %rdx, %rcx
    or %rcx, %rax
    pshufd $0xee, %xmm\n, %xmm\n
    movq %xmm\n, %rcx
    xor %rdx, %rcx
    or %rcx, %rax
    movaps 16*\n-64(%rsp), %xmm\n
    .endr
    add $200, %rsp
    .irp r,r15,r14,r13,r12,rdi,rsi,rbp,rbx
    pop %\r
    .endr
    ret
    .seh_endproc
)");

#endif

#if defined(__x86_64__) && (defined(__ELF__) || defined(_WIN64))

TEST(KernelEntry, TheCallersRegistersSurviveASearch) {
    for (const int end : {1, 8}) {  // a1-a2, a1-b3: two kernels
        auto state = testing::NewSearchState();
        const uint8_t start[1] = {0};
        uint8_t framed[HOOK_MOVE];
        BeginSearch(*state, 0, end, start, 1, framed, 200000);
        EXPECT_EQ(QuorbitCallKeepingMarks(&EnterKernel, state->steps[framed[0]], state.get(), 1), 0u);
        EXPECT_EQ(NodeTotal(*state), 200000u) << "the search below the entry ran to its budget";
    }
}

// A step that overwrites every register the kernel's convention lets it, so that the door is
// checked for registers today's kernel happens to leave alone (rbp is the kernel's to keep).
extern "C" QUORBIT_KERNEL_ABI void QuorbitClobberAll(SearchState& state, uint32_t n);
asm(R"(
    .text
    .p2align 4
QuorbitClobberAll:
    .irp r,rax,rbx,rcx,rdx,rsi,rdi,r8,r9,r10,r11,r12,r13,r14,r15
    mov $-1, %\r
    .endr
    .irp n,0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
    pcmpeqd %xmm\n, %xmm\n
    .endr
    ret
)");

TEST(KernelEntry, TheCallersRegistersSurviveAStepThatClobbersAll) {
    auto state = testing::NewSearchState();
    EXPECT_EQ(QuorbitCallKeepingMarks(&EnterKernel, &QuorbitClobberAll, state.get(), 1), 0u);
}

#endif

}  // namespace
}  // namespace quorbit
