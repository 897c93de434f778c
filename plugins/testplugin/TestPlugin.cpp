// The test content plugin: reports the fields that a test put into the shared
// block (see TestPluginControl.h) and logs every call it receives there.
// Built several times with different exports (TP_PARAMS_NEW, TP_PARAMS_OLD,
// TP_GET_FIELD, TP_GET_VALUE); TP_FAULTS builds the variant that faults where
// the block's fault plan says.
#include "testplugin/TestPluginControl.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

namespace {

using testplugin::Block;
using testplugin::Entry;

HANDLE g_mapping = nullptr;
Block* g_block = nullptr;
char g_blockName[128] = "";
int g_loadNumber = 0;

// The block named by the environment, (re)opened whenever the name changes.
Block* Shared() {
    char name[128] = "";
    DWORD n = ::GetEnvironmentVariableA(testplugin::kEnvironmentVariable, name, sizeof name);
    if (n == 0 || n >= sizeof name) name[0] = '\0';
    if (std::strcmp(name, g_blockName) != 0) {
        if (g_block) ::UnmapViewOfFile(g_block);
        if (g_mapping) ::CloseHandle(g_mapping);
        g_block = nullptr;
        g_mapping = nullptr;
        std::strcpy(g_blockName, name);
        if (name[0]) {
            g_mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
            if (g_mapping)
                g_block = static_cast<Block*>(::MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
        }
    }
    return g_block;
}

testplugin::Call* Log(Block* b, Entry entry) {
    int slot = b->callCount++;
    if (slot >= testplugin::kMaxCalls) return nullptr;
    testplugin::Call* c = &b->calls[slot];
    std::memset(c, 0, sizeof *c);
    c->entry = static_cast<int32_t>(entry);
    c->loadNumber = g_loadNumber;
    return c;
}

[[maybe_unused]] void Spin(int64_t counts) {
    if (counts <= 0) return;
    LARGE_INTEGER start, now;
    ::QueryPerformanceCounter(&start);
    do {
        ::QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < counts);
}

void CloseShared() {
    if (g_block) ::UnmapViewOfFile(g_block);
    if (g_mapping) ::CloseHandle(g_mapping);
    g_block = nullptr;
    g_mapping = nullptr;
    g_blockName[0] = '\0';
}

#if TP_FAULTS
volatile uintptr_t g_nowhere = 0;
volatile int g_zero = 0;
volatile int g_one = 1;

// Each frame keeps its array alive across the call: no tail call, no loop.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
__attribute__((noinline)) int Recurse(volatile char* previous) {
    volatile char frame[512];
    frame[0] = static_cast<char>(previous[0] + 1);
    return Recurse(frame) + frame[1];
}
#pragma GCC diagnostic pop

// Never returns: it faults with all ones in every register the caller
// expects back. On x86-64 its prologue saves them with unwind data, as a
// compiler's would, so the dispatcher can walk past it.
extern "C" void tp_fault_with_registers_filled();
#if defined(__x86_64__)
asm(R"(
    .text
    .def tp_fault_with_registers_filled; .scl 3; .type 32; .endef
    .seh_proc tp_fault_with_registers_filled
tp_fault_with_registers_filled:
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
    subq $168, %rsp
    .seh_stackalloc 168
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
    movq $-1, %rbx
    movq $-1, %rbp
    movq $-1, %rsi
    movq $-1, %rdi
    movq $-1, %r12
    movq $-1, %r13
    movq $-1, %r14
    movq $-1, %r15
    pcmpeqd %xmm6, %xmm6
    pcmpeqd %xmm7, %xmm7
    pcmpeqd %xmm8, %xmm8
    pcmpeqd %xmm9, %xmm9
    pcmpeqd %xmm10, %xmm10
    pcmpeqd %xmm11, %xmm11
    pcmpeqd %xmm12, %xmm12
    pcmpeqd %xmm13, %xmm13
    pcmpeqd %xmm14, %xmm14
    pcmpeqd %xmm15, %xmm15
    xorl %eax, %eax
    movl %eax, (%rax)
    ud2
    .seh_endproc
)");
#else
asm(R"(
    .text
    .def _tp_fault_with_registers_filled; .scl 3; .type 32; .endef
_tp_fault_with_registers_filled:
    movl $-1, %ebx
    movl $-1, %ebp
    movl $-1, %esi
    movl $-1, %edi
    xorl %eax, %eax
    movl %eax, (%eax)
    ud2
)");
#endif

// What a plugin that looks after itself does: the system raises and catches
// an access violation for it, and it throws and catches a C++ exception.
void HandleOwnExceptions() {
    volatile BOOL unreadable = ::IsBadReadPtr(reinterpret_cast<const void*>(0x10), 4);
    (void)unreadable;
#if !TP_SEH_ONLY
    try {
        throw std::runtime_error("caught inside the plugin");
    } catch (const std::exception&) {
    }
#endif
}

void Fault(testplugin::FaultKind kind) {
    using testplugin::FaultKind;
    switch (kind) {
    case FaultKind::None:
        break;
    case FaultKind::AccessViolation:
        *reinterpret_cast<volatile int*>(g_nowhere) = 1;
        break;
    case FaultKind::DivideByZero: {
        // Both operands unknown: 1 / x alone compiles to compares, no division.
        volatile int quotient = g_one / g_zero;
        (void)quotient;
        break;
    }
    case FaultKind::IllegalInstruction:
        asm volatile("ud2");
        break;
    case FaultKind::StackOverflow: {
        volatile char start[1] = {0};
        Recurse(start);
        break;
    }
    case FaultKind::CxxException: {
        // The parameters of an MSVC throw: magic number, object, type
        // information (and the module base on x64); this one carries none.
        ULONG_PTR args[4] = {0x19930520, 0, 0, 0};
        ::RaiseException(testplugin::kCxxExceptionCode, EXCEPTION_NONCONTINUABLE, sizeof(void*) == 8 ? 4 : 3, args);
        break;
    }
    case FaultKind::MinGWThrow:
#if !TP_SEH_ONLY
        throw std::runtime_error("escapes the plugin");
#endif
        break;
    case FaultKind::HandledInside:
        HandleOwnExceptions();
        break;
    case FaultKind::FillsRegisters:
        tp_fault_with_registers_filled();
        break;
    }
}

// The planned fault, when point (and the field, where it has one) is the planned one.
void MaybeFault(Block* b, testplugin::FaultPoint point, int fieldIndex = -1) {
    if (!b || b->fault.point != static_cast<int32_t>(point)) return;
    if (fieldIndex >= 0 && b->fault.fieldIndex != fieldIndex) return;
    ++b->fault.faults;
    Fault(static_cast<testplugin::FaultKind>(b->fault.kind));
}

// DllMain faults after letting go of the block, so that a fault costs nothing.
testplugin::FaultKind PlannedAt(Block* b, testplugin::FaultPoint point) {
    if (b && point == testplugin::FaultPoint::Unload && b->fault.unloadKind) {
        ++b->fault.faults;
        return static_cast<testplugin::FaultKind>(b->fault.unloadKind);
    }
    if (!b || b->fault.point != static_cast<int32_t>(point)) return testplugin::FaultKind::None;
    ++b->fault.faults;
    return static_cast<testplugin::FaultKind>(b->fault.kind);
}
#else
inline void MaybeFault(Block*, testplugin::FaultPoint, int = -1) {}
inline testplugin::FaultKind PlannedAt(Block*, testplugin::FaultPoint) { return testplugin::FaultKind::None; }
inline void Fault(testplugin::FaultKind) {}
#endif

[[maybe_unused]] void SetParams(Entry entry, wdx::PluginDefaultParams* params) {
    Block* b = Shared();
    if (!b) return;
    MaybeFault(b, testplugin::FaultPoint::SetDefaultParams);
    if (testplugin::Call* c = Log(b, entry)) std::memcpy(c->params, params, sizeof c->params);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    testplugin::FaultKind fault = testplugin::FaultKind::None;
    if (reason == DLL_PROCESS_ATTACH) {
        if (Block* b = Shared()) g_loadNumber = ++b->loads;
        fault = PlannedAt(g_block, testplugin::FaultPoint::Load);
        if (fault != testplugin::FaultKind::None && fault != testplugin::FaultKind::HandledInside) CloseShared();
    } else if (reason == DLL_PROCESS_DETACH) {
        if (Block* b = Shared()) ++b->unloads;
        fault = PlannedAt(g_block, testplugin::FaultPoint::Unload);
        CloseShared();
    }
    Fault(fault);
    return TRUE;
}

#if TP_GET_FIELD
__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    Block* b = Shared();
    if (!b) return wdx::kNoMoreFields;
    if (testplugin::Call* c = Log(b, Entry::GetSupportedField)) {
        c->fieldIndex = fieldIndex;
        c->maxLen = maxLen;
        c->nameBuffer = reinterpret_cast<uintptr_t>(fieldName);
        c->unitsBuffer = reinterpret_cast<uintptr_t>(units);
    }
    MaybeFault(b, testplugin::FaultPoint::GetSupportedField, fieldIndex);
    if (fieldIndex >= 0 && fieldIndex < b->fieldCount && fieldIndex < testplugin::kMaxFields) {
        const testplugin::TestField& f = b->fields[fieldIndex];
        std::memcpy(fieldName, f.name, f.nameSize < maxLen ? f.nameSize : maxLen);
        std::strcpy(units, f.units);
        return f.type;
    }
    if (fieldIndex >= b->fieldCount && b->endlessType != 0) {
        wsprintfA(fieldName, "Field %d", fieldIndex);
        units[0] = '\0';
        return b->endlessType;
    }
    return wdx::kNoMoreFields;
}
#endif

#if TP_GET_VALUE
__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    Block* b = Shared();
    if (!b) return wdx::kNoSuchField;
    if (testplugin::Call* c = Log(b, Entry::GetValue)) {
        c->fieldIndex = fieldIndex;
        c->unitIndex = unitIndex;
        c->maxLen = maxLen;
        c->flags = flags;
        c->unitsBuffer = reinterpret_cast<uintptr_t>(fieldValue);
        std::memcpy(c->bufferOnEntry, fieldValue, sizeof c->bufferOnEntry);
        lstrcpynA(c->file, fileName, sizeof c->file);
    }
    if (unitIndex == wdx::kUnitValue) MaybeFault(b, testplugin::FaultPoint::GetValue, fieldIndex);
    if (unitIndex == wdx::kUnitValue && fieldIndex == 0 && b->boxesLeft > 0) {
        --b->boxesLeft;
        ++b->boxesShown;
        ::MessageBoxA(nullptr, testplugin::kBoxText, "testplugin", MB_OK);
    }
    if (fieldIndex < 0 || fieldIndex >= b->fieldCount || fieldIndex >= testplugin::kMaxFields)
        return fieldIndex >= 0 && b->endlessType != 0 ? wdx::kFieldEmpty : wdx::kNoSuchField;
    const testplugin::TestField& f = b->fields[fieldIndex];
    if (unitIndex == wdx::kUnitCloseFulltext) {
        Spin(f.closeSpinCounts);
        if (f.closeSize > 0) std::memcpy(fieldValue, f.closeText, f.closeSize);
        return f.closeResult;
    }
    Spin(f.fetchSpinCounts);
    std::memcpy(fieldValue, f.value, f.valueSize < maxLen ? f.valueSize : maxLen);
    return f.valueCode;
}
#endif

#if TP_PARAMS_NEW
__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams* params) {
    SetParams(Entry::SetDefaultParams, params);
}
#endif

#if TP_PARAMS_OLD
__declspec(dllexport) void WINAPI ContentSetDefaultParam(wdx::PluginDefaultParams* params) {
    SetParams(Entry::SetDefaultParamOld, params);
}
#endif

}  // extern "C"
