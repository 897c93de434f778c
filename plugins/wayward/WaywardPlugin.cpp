// A plugin that does what no fault guard survives: built once per manner.
// It misbehaves in its "Trouble" field, for files whose name contains "bad",
// and behaves for every other file, so a run shows the next file inspected.
//   WAYWARD_LOOP:      the fetch never returns
//   WAYWARD_LOAD_LOOP: DllMain never returns
//   WAYWARD_HEAP:      it writes past a heap block and frees it
//   WAYWARD_ABORT:     it calls abort()
//   WAYWARD_FAILFAST:  it fails fast, as code that finds its own state broken does
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* const kNames[] = {"Name", "Trouble", "After"};

[[maybe_unused, noreturn]] void Forever() {
    for (volatile unsigned n = 0;; n = n + 1) {
    }
}

void Misbehave() {
#if WAYWARD_LOOP
    Forever();
#elif WAYWARD_HEAP
    const HANDLE heap = ::GetProcessHeap();
    auto* block = static_cast<unsigned char*>(::HeapAlloc(heap, 0, 16));
    std::memset(block, 0x5A, 256);  // far past its end, over the heap's own records
    ::HeapFree(heap, 0, block);
    ::HeapFree(heap, 0, block);
    // Where the heap lets that pass, the system's heap would end the
    // process with this code on its next check: do what it does.
    ::TerminateProcess(::GetCurrentProcess(), 0xC0000374);
#elif WAYWARD_ABORT
    std::abort();
#elif WAYWARD_FAILFAST
    // __fastfail(FAST_FAIL_FATAL_APP_EXIT): the system ends the process, no handler runs.
    asm volatile("int $0x29" : : "c"(7));
#endif
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
#if WAYWARD_LOAD_LOOP
    if (reason == DLL_PROCESS_ATTACH) Forever();
#endif
    (void)reason;
    return TRUE;
}

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    if (fieldIndex < 0 || fieldIndex >= 3) return wdx::kNoMoreFields;
    lstrcpynA(fieldName, kNames[fieldIndex], maxLen);
    units[0] = '\0';
    return wdx::kString;
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    if (fieldIndex < 0 || fieldIndex >= 3) return wdx::kNoSuchField;
    const char* base = std::strrchr(fileName, '\\');
    base = base ? base + 1 : fileName;
    if (fieldIndex == 1 && std::strstr(base, "bad")) Misbehave();
    lstrcpynA(static_cast<char*>(fieldValue), fieldIndex == 0 ? base : "fine", maxLen);
    return wdx::kString;
}

}  // extern "C"
