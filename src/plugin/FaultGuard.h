// A guard around one call into a plugin's code: a structured exception that
// the plugin leaves unhandled ends that call, not the process.
//
// The guard is a frame handler of its own around the call (an SEH record on
// i686, unwind data with a handler on x86-64), so it sees an exception only
// after every handler inside the plugin has declined it: a plugin that
// catches its own exceptions keeps working. It takes every exception that
// reaches it, makes the dispatcher resume at the guard's landing point with
// the stack, frame and callee-saved registers of the guard's entry (no
// unwinding through the plugin's frames), and then restores, after a stack
// overflow, the stack's guard pages. Around every call, fault or not, it
// puts back the x87 control word and MXCSR the plugin may have changed
// (unmasked exceptions or another rounding would break our own arithmetic).
//
// A guarded call must not throw: a C++ exception of ours crossing the guard
// would be taken for the plugin's fault on x86-64 and end the program on
// i686. Run takes noexcept callables only, so that cannot be written.
#pragma once

#include <windows.h>

#include <cstdint>
#include <type_traits>

namespace wdx {

// The floating-point control state: what a call may change.
struct FpuState {
    unsigned short x87 = 0;  // control word
    unsigned mxcsr = 0;      // control bits only: the exception flags are status
    bool operator==(const FpuState& o) const { return x87 == o.x87 && mxcsr == o.mxcsr; }
    bool operator!=(const FpuState& o) const { return !(*this == o); }
};

class FaultGuard {
public:
    FaultGuard() = default;
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;

    // Calls call() under the guard; false when a structured exception ended
    // it (Code() names it). Nothing is set up between call's own statements:
    // timing taken inside call sees the plugin and nothing else.
    template <class F>
    bool Run(F&& call) {
        using Call = std::remove_reference_t<F>;
        static_assert(std::is_nothrow_invocable_v<Call&>, "a guarded call must be noexcept");
        return Invoke([](void* c) { (*static_cast<Call*>(c))(); }, &call, false);
    }

    // As Run, for LoadLibrary: the loader contains a fault in DllMain itself
    // and fails the load, so the guard also notes the last exception raised
    // during the call (ObservedCode()), handled or not.
    template <class F>
    bool RunObserved(F&& call) {
        using Call = std::remove_reference_t<F>;
        static_assert(std::is_nothrow_invocable_v<Call&>, "a guarded call must be noexcept");
        return Invoke([](void* c) { (*static_cast<Call*>(c))(); }, &call, true);
    }

    // The code of the exception that ended the last call, 0 when it returned.
    DWORD Code() const { return m_code; }
    // Where the exception that ended the last call was raised, 0 when it returned.
    uintptr_t Address() const { return m_address; }
    // RunObserved: the last exception raised during the call, 0 when none.
    DWORD ObservedCode() const { return m_observed; }
    // Whether the last call left the floating-point control state changed
    // (put back since), and the state before and as the call left it.
    bool FpuChanged() const { return m_fpuBefore != m_fpuAfter; }
    FpuState FpuBefore() const { return m_fpuBefore; }
    FpuState FpuAfter() const { return m_fpuAfter; }

private:
    bool Invoke(void (*thunk)(void*), void* call, bool observe);

    DWORD m_code = 0;
    uintptr_t m_address = 0;
    DWORD m_observed = 0;
    FpuState m_fpuBefore;
    FpuState m_fpuAfter;
};

}  // namespace wdx
