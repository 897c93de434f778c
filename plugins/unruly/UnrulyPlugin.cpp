// A plugin with bad manners that do not fault: built once per manner.
//   UNRULY_FPU:     on load and in every call it sets both floating-point
//                   units to round toward zero, as plugins built with some
//                   compilers change the control state and leave it so.
//   UNRULY_REFUSES: its DllMain raises and handles exceptions of its own
//                   (a page fault probed for, a debug string) and then
//                   refuses the load.
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstring>

namespace {

// Round toward zero (x87 control word bits 10-11, MXCSR bits 13-14); every
// exception stays masked, so nothing traps.
[[maybe_unused]] void RoundTowardZero() {
    unsigned short x87 = 0;
    unsigned mxcsr = 0;
    asm volatile("fnstcw %0" : "=m"(x87));
    x87 |= 0x0C00;
    asm volatile("fldcw %0" : : "m"(x87));
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr |= 0x6000;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

void Manners() {
#if UNRULY_FPU
    RoundTowardZero();
#endif
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    Manners();
#if UNRULY_REFUSES
    volatile BOOL unreadable = ::IsBadReadPtr(reinterpret_cast<const void*>(0x10), 4);
    (void)unreadable;
    ::OutputDebugStringA("unruly: not today\n");
    return FALSE;
#else
    return TRUE;
#endif
}

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    Manners();
    if (fieldIndex != 0) return wdx::kNoMoreFields;
    lstrcpynA(fieldName, "Manners", maxLen);
    units[0] = '\0';
    return wdx::kString;
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    Manners();
    if (fieldIndex != 0) return wdx::kNoSuchField;
    lstrcpynA(static_cast<char*>(fieldValue), "none", maxLen);
    return wdx::kString;
}

__declspec(dllexport) void WINAPI ContentPluginUnloading() { Manners(); }

}  // extern "C"
