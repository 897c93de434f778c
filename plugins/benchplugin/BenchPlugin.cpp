// The benchmark's plugin: PROBELET_BENCH_FIELDS fields (10,000 when unset),
// named "Field <n>", declared Numeric 32. With PROBELET_BENCH_FETCH=nothing
// the value fetch returns at once without touching the buffer; otherwise it
// stores the field index.
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

int g_fieldCount = 10000;
bool g_fetchNothing = false;

void ReadSettings() {
    char text[32];
    DWORD n = ::GetEnvironmentVariableA("PROBELET_BENCH_FIELDS", text, sizeof text);
    if (n > 0 && n < sizeof text) g_fieldCount = std::atoi(text);
    n = ::GetEnvironmentVariableA("PROBELET_BENCH_FETCH", text, sizeof text);
    g_fetchNothing = n > 0 && n < sizeof text && std::strcmp(text, "nothing") == 0;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) ReadSettings();
    return TRUE;
}

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    if (fieldIndex < 0 || fieldIndex >= g_fieldCount) return wdx::kNoMoreFields;
    wsprintfA(fieldName, "Field %d", fieldIndex);
    units[0] = '\0';
    return wdx::kNumeric32;
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    if (g_fetchNothing) return wdx::kFieldEmpty;
    std::memcpy(fieldValue, &fieldIndex, sizeof fieldIndex);
    return wdx::kNumeric32;
}

}  // extern "C"
