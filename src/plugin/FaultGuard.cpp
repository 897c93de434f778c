#include "plugin/FaultGuard.h"

#include <cstddef>
#include <cstdint>

namespace {

// What the thunk and the handler share. The thunk fills in the landing point;
// the handler, on a fault, records the code and resumes there.
struct GuardFrame {
    void* next;          // i686: the SEH record (Next, Handler) must come first
    void* handler;
    uintptr_t sp;        // stack pointer at the landing point
    uintptr_t fp;        // i686: frame pointer at the landing point
    uintptr_t landing;
    DWORD code;
    uintptr_t address;  // of the faulting instruction
};
static_assert(offsetof(GuardFrame, handler) == sizeof(void*), "asm layout");
static_assert(offsetof(GuardFrame, sp) == 2 * sizeof(void*), "asm layout");
static_assert(offsetof(GuardFrame, fp) == 3 * sizeof(void*), "asm layout");
static_assert(offsetof(GuardFrame, landing) == 4 * sizeof(void*), "asm layout");

constexpr DWORD kDirectionFlag = 0x400;

}  // namespace

extern "C" {

// (frame, thunk, call): registers the guard, calls thunk(call); 0 when it
// returned, 1 when the handler resumed at the landing point.
int probelet_guard_invoke(GuardFrame* frame, void (*thunk)(void*), void* call);

// Reached only by exceptions that every handler inside the plugin declined.
__attribute__((used)) EXCEPTION_DISPOSITION probelet_guard_handler(EXCEPTION_RECORD* record, void* establisher,
                                                                   CONTEXT* context, void*) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) return ExceptionContinueSearch;
#if defined(__x86_64__)
    // The thunk keeps the frame's address in its own stack frame.
    GuardFrame* frame = *reinterpret_cast<GuardFrame**>(static_cast<char*>(establisher) + 32);
    context->Rsp = frame->sp;
    context->Rip = frame->landing;
#else
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    context->Esp = frame->sp;
    context->Ebp = frame->fp;
    context->Eip = frame->landing;
#endif
    frame->code = record->ExceptionCode;
    frame->address = reinterpret_cast<uintptr_t>(record->ExceptionAddress);
    // The call is abandoned, not continued: a C++ throw is raised as
    // non-continuable, which would otherwise stop the resumption.
    record->ExceptionFlags &= ~EXCEPTION_NONCONTINUABLE;
    context->EFlags &= ~kDirectionFlag;  // the plugin may have left it set
    return ExceptionContinueExecution;
}

}  // extern "C"

#if defined(__x86_64__)
// Saves every callee-saved register (xmm6-15 too) in its own frame, so the
// landing point only has to restore the stack pointer; the unwind data names
// probelet_guard_handler as the frame's exception handler.
asm(R"(
    .text
    .globl probelet_guard_invoke
    .def probelet_guard_invoke; .scl 2; .type 32; .endef
    .seh_proc probelet_guard_invoke
probelet_guard_invoke:
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
    .seh_handler probelet_guard_handler, @except
    movq %rcx, 32(%rsp)
    movq %rsp, 16(%rcx)
    leaq 1f(%rip), %rax
    movq %rax, 32(%rcx)
    movq %r8, %rcx
    call *%rdx
    xorl %eax, %eax
    jmp 2f
1:
    movl $1, %eax
2:
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
#elif defined(__i386__)
// Pushes the frame as an SEH record on fs:[0] for the call. The landing point
// pops it again, with any record the plugin left above it.
asm(R"(
    .text
    .globl _probelet_guard_invoke
    .def _probelet_guard_invoke; .scl 2; .type 32; .endef
_probelet_guard_invoke:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $12, %esp
    movl 8(%ebp), %eax
    movl %esp, 8(%eax)
    movl %ebp, 12(%eax)
    movl $1f, 16(%eax)
    movl %fs:0, %ecx
    movl %ecx, 0(%eax)
    movl $_probelet_guard_handler, 4(%eax)
    movl %eax, %fs:0
    movl 16(%ebp), %ecx
    movl %ecx, (%esp)
    call *12(%ebp)
    xorl %eax, %eax
    jmp 2f
1:
    movl $1, %eax
2:
    movl 8(%ebp), %ecx
    movl 0(%ecx), %edx
    movl %edx, %fs:0
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
#else
#error "the fault guard knows i686 and x86-64 only"
#endif

namespace {

// Win32 TLS rather than thread_local: MinGW's emulated TLS may allocate on
// first use, which an exception handler on an exhausted stack must not do.
DWORD ObservedSlot() {
    static const DWORD slot = ::TlsAlloc();
    return slot;
}

LONG CALLBACK ObserveException(EXCEPTION_POINTERS* info) {
    if (auto* observed = static_cast<DWORD*>(::TlsGetValue(ObservedSlot())))
        *observed = info->ExceptionRecord->ExceptionCode;
    return EXCEPTION_CONTINUE_SEARCH;
}

void InstallObserver() {
    static const PVOID handler = ::AddVectoredExceptionHandler(1, ObserveException);
    (void)handler;
}

using wdx::FpuState;

// MXCSR's low six bits are sticky exception flags that ordinary arithmetic
// sets: status, not state a plugin changed.
constexpr unsigned kMxcsrFlags = 0x3F;

FpuState SaveFpu() {
    FpuState s;
    unsigned mxcsr = 0;
    asm volatile("fnstcw %0" : "=m"(s.x87));
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    s.mxcsr = mxcsr & ~kMxcsrFlags;
    return s;
}

// Puts back the control state; after a fault also empties the x87 stack,
// which the plugin may have left with values on it.
void RestoreFpu(const FpuState& s, bool faulted) {
    if (faulted) asm volatile("fninit");
    asm volatile("fldcw %0" : : "m"(s.x87));
    unsigned mxcsr = 0;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr = (mxcsr & kMxcsrFlags) | s.mxcsr;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

// Room that a stack overflow leaves for its own dispatch. Wine's default
// (two pages on x86-64) is less than the dispatcher needs when it walks a
// deep recursion: it faults again and the process hangs.
constexpr ULONG kStackGuarantee = 32 * 1024;

// Keeps a stack overflow reportable: asks for kStackGuarantee bytes to be
// left, and where the guard pages at the bottom of the stack are missing (used
// up by an overflow, as _resetstkoflw mends) or fewer than that (Wine's
// layout: a no-access page under them), sets them over the bottom of the
// committed stack.
void ArmStackGuard() {
    using GuaranteeFn = BOOL(WINAPI*)(PULONG);
    static const auto setGuarantee = reinterpret_cast<GuaranteeFn>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetThreadStackGuarantee"));
    ULONG guarantee = kStackGuarantee;
    if (setGuarantee) {
        setGuarantee(&guarantee);  // answers the previous value
        guarantee = 0;
        setGuarantee(&guarantee);  // a query
    }
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    const size_t guardSize = (guarantee + page - 1) / page * page + page;

    volatile char probe = 0;
    char* const sp = const_cast<char*>(&probe);
    MEMORY_BASIC_INFORMATION region;
    if (!::VirtualQuery(sp, &region, sizeof region)) return;
    char* p = static_cast<char*>(region.AllocationBase);
    bool belowIsNoAccess = false;
    while (p < sp && ::VirtualQuery(p, &region, sizeof region)) {
        if (region.State == MEM_COMMIT) {
            const bool guarded = (region.Protect & PAGE_GUARD) != 0;
            // Windows keeps reserved pages under its guard pages and grows
            // them itself: those stay as they are.
            if (guarded && (!belowIsNoAccess || region.RegionSize >= guardSize)) return;
            if (region.Protect == PAGE_NOACCESS) {
                belowIsNoAccess = true;
            } else {
                if (p + guardSize + 4 * page > sp) return;  // no room left to arm
                DWORD old;
                ::VirtualProtect(p, guardSize, PAGE_READWRITE | PAGE_GUARD, &old);
                return;
            }
        }
        p = static_cast<char*>(region.BaseAddress) + region.RegionSize;
    }
}

// Once per thread before its first guarded call, again after each overflow.
DWORD StackArmedSlot() {
    static const DWORD slot = ::TlsAlloc();
    return slot;
}

void ArmStackGuardOnce() {
    if (::TlsGetValue(StackArmedSlot())) return;
    ArmStackGuard();
    ::TlsSetValue(StackArmedSlot(), reinterpret_cast<void*>(1));
}

}  // namespace

namespace wdx {

bool FaultGuard::Invoke(void (*thunk)(void*), void* call, bool observe) {
    m_code = 0;
    m_address = 0;
    m_observed = 0;
    ArmStackGuardOnce();
    if (observe) {
        InstallObserver();
        ::TlsSetValue(ObservedSlot(), &m_observed);
    }
    m_fpuBefore = SaveFpu();
    GuardFrame frame{};
    const bool faulted = probelet_guard_invoke(&frame, thunk, call) != 0;
    m_fpuAfter = SaveFpu();
    if (faulted || m_fpuAfter != m_fpuBefore) RestoreFpu(m_fpuBefore, faulted);
    if (observe) ::TlsSetValue(ObservedSlot(), nullptr);
    // The loader contains an overflow in DllMain by itself, leaving the
    // guard pages as used up as one that reaches us.
    if (m_observed == static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW)) ArmStackGuard();
    if (!faulted) return true;

    m_code = frame.code;
    m_address = frame.address;
    if (m_code == static_cast<DWORD>(EXCEPTION_STACK_OVERFLOW) && m_observed != m_code) ArmStackGuard();
    return false;
}

}  // namespace wdx
