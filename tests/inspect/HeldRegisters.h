// A call made with known values in every callee-saved register, and what
// those registers hold when it returns: compiled code between the call and
// the check would save and restore them itself and so hide a loss.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CalleeSaved {
#if defined(__x86_64__)
    uint64_t gp[8];       // rbx rbp rsi rdi r12 r13 r14 r15
    uint64_t xmm[10][2];  // xmm6-xmm15
#else
    uint32_t gp[4];       // ebx ebp esi edi
#endif
};

struct HeldCall {
    int (*fn)(void*, void*, void*);
    void* args[3];
    CalleeSaved before;  // loaded for the call
    CalleeSaved after;   // stored when fn returned
};
static_assert(offsetof(HeldCall, before) == 4 * sizeof(void*), "asm layout");
static_assert(offsetof(HeldCall, after) == 4 * sizeof(void*) + sizeof(CalleeSaved), "asm layout");

extern "C" int probelet_test_call_holding(HeldCall* call);  // fn's result

// fn(a, b, c) with a different value in every register and lane.
HeldCall MakeHeldCall(int (*fn)(void*, void*, void*), void* a, void* b, void* c);
// The registers whose value after the call is not the one before it.
std::vector<std::string> LostRegisters(const HeldCall& call);
