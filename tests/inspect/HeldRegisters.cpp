#include "HeldRegisters.h"

#include <iterator>

HeldCall MakeHeldCall(int (*fn)(void*, void*, void*), void* a, void* b, void* c) {
    HeldCall call{fn, {a, b, c}, {}, {}};
    for (size_t i = 0; i < std::size(call.before.gp); ++i)
        call.before.gp[i] = static_cast<uintptr_t>(0x5E5E0000C0DE0000ull + i);
#if defined(__x86_64__)
    for (size_t i = 0; i < std::size(call.before.xmm); ++i)
        for (size_t lane = 0; lane < 2; ++lane) call.before.xmm[i][lane] = 0xA11CE00000000000ull + 2 * i + lane;
#endif
    return call;
}

std::vector<std::string> LostRegisters(const HeldCall& call) {
#if defined(__x86_64__)
    static const char* const kNames[] = {"rbx", "rbp", "rsi", "rdi", "r12", "r13", "r14", "r15"};
#else
    static const char* const kNames[] = {"ebx", "ebp", "esi", "edi"};
#endif
    std::vector<std::string> lost;
    for (size_t i = 0; i < std::size(kNames); ++i)
        if (call.after.gp[i] != call.before.gp[i]) lost.push_back(kNames[i]);
#if defined(__x86_64__)
    for (size_t i = 0; i < std::size(call.before.xmm); ++i)
        if (call.after.xmm[i][0] != call.before.xmm[i][0] || call.after.xmm[i][1] != call.before.xmm[i][1])
            lost.push_back("xmm" + std::to_string(6 + i));
#endif
    return lost;
}

#if defined(__x86_64__)
// Saves the caller's registers with unwind data (a fault below may walk
// through this frame), loads `before`, calls, stores into `after`; rax stays fn's.
asm(R"(
    .text
    .globl probelet_test_call_holding
    .def probelet_test_call_holding; .scl 2; .type 32; .endef
    .seh_proc probelet_test_call_holding
probelet_test_call_holding:
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rsi
    .seh_pushreg %rsi
    pushq %rdi
    .seh_pushreg %rdi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $216, %rsp
    .seh_stackalloc 216
    movaps %xmm6, 48(%rsp)
    .seh_savexmm %xmm6, 48
    movaps %xmm7, 64(%rsp)
    .seh_savexmm %xmm7, 64
    movaps %xmm8, 80(%rsp)
    .seh_savexmm %xmm8, 80
    movaps %xmm9, 96(%rsp)
    .seh_savexmm %xmm9, 96
    movaps %xmm10, 112(%rsp)
    .seh_savexmm %xmm10, 112
    movaps %xmm11, 128(%rsp)
    .seh_savexmm %xmm11, 128
    movaps %xmm12, 144(%rsp)
    .seh_savexmm %xmm12, 144
    movaps %xmm13, 160(%rsp)
    .seh_savexmm %xmm13, 160
    movaps %xmm14, 176(%rsp)
    .seh_savexmm %xmm14, 176
    movaps %xmm15, 192(%rsp)
    .seh_savexmm %xmm15, 192
    .seh_endprologue
    movq %rcx, 32(%rsp)
    movq %rcx, %rax
    movq 32(%rax), %rbx
    movq 40(%rax), %rbp
    movq 48(%rax), %rsi
    movq 56(%rax), %rdi
    movq 64(%rax), %r12
    movq 72(%rax), %r13
    movq 80(%rax), %r14
    movq 88(%rax), %r15
    movdqu 96(%rax), %xmm6
    movdqu 112(%rax), %xmm7
    movdqu 128(%rax), %xmm8
    movdqu 144(%rax), %xmm9
    movdqu 160(%rax), %xmm10
    movdqu 176(%rax), %xmm11
    movdqu 192(%rax), %xmm12
    movdqu 208(%rax), %xmm13
    movdqu 224(%rax), %xmm14
    movdqu 240(%rax), %xmm15
    movq 8(%rax), %rcx
    movq 16(%rax), %rdx
    movq 24(%rax), %r8
    call *0(%rax)
    movq 32(%rsp), %rcx
    movq %rbx, 256(%rcx)
    movq %rbp, 264(%rcx)
    movq %rsi, 272(%rcx)
    movq %rdi, 280(%rcx)
    movq %r12, 288(%rcx)
    movq %r13, 296(%rcx)
    movq %r14, 304(%rcx)
    movq %r15, 312(%rcx)
    movdqu %xmm6, 320(%rcx)
    movdqu %xmm7, 336(%rcx)
    movdqu %xmm8, 352(%rcx)
    movdqu %xmm9, 368(%rcx)
    movdqu %xmm10, 384(%rcx)
    movdqu %xmm11, 400(%rcx)
    movdqu %xmm12, 416(%rcx)
    movdqu %xmm13, 432(%rcx)
    movdqu %xmm14, 448(%rcx)
    movdqu %xmm15, 464(%rcx)
    movaps 48(%rsp), %xmm6
    movaps 64(%rsp), %xmm7
    movaps 80(%rsp), %xmm8
    movaps 96(%rsp), %xmm9
    movaps 112(%rsp), %xmm10
    movaps 128(%rsp), %xmm11
    movaps 144(%rsp), %xmm12
    movaps 160(%rsp), %xmm13
    movaps 176(%rsp), %xmm14
    movaps 192(%rsp), %xmm15
    addq $216, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rdi
    popq %rsi
    popq %rbx
    popq %rbp
    ret
    .seh_endproc
)");
static_assert(offsetof(HeldCall, after) == 256 && sizeof(CalleeSaved) == 224, "asm offsets");
#else
// ebp too holds a value of the test's: the frame is addressed through esp.
asm(R"(
    .text
    .globl _probelet_test_call_holding
    .def _probelet_test_call_holding; .scl 2; .type 32; .endef
_probelet_test_call_holding:
    pushl %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $28, %esp
    movl 48(%esp), %eax
    movl 4(%eax), %ecx
    movl %ecx, 0(%esp)
    movl 8(%eax), %ecx
    movl %ecx, 4(%esp)
    movl 12(%eax), %ecx
    movl %ecx, 8(%esp)
    movl 16(%eax), %ebx
    movl 20(%eax), %ebp
    movl 24(%eax), %esi
    movl 28(%eax), %edi
    call *0(%eax)
    movl 48(%esp), %ecx
    movl %ebx, 32(%ecx)
    movl %ebp, 36(%ecx)
    movl %esi, 40(%ecx)
    movl %edi, 44(%ecx)
    addl $28, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
static_assert(offsetof(HeldCall, after) == 32 && sizeof(CalleeSaved) == 16, "asm offsets");
#endif
