// A test plugin that declares more fields than a run takes: 100,000, named
// "Field <n>", Numeric 32, whose value is the index. ManyFieldsCalls tells a
// test how far the host asked.
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstring>

namespace {

constexpr int kFieldCount = 100000;
LONG g_highestField = -1;  // highest index asked for, by either entry point
LONG g_calls = 0;

void Asked(int fieldIndex) {
    ++g_calls;
    if (fieldIndex > g_highestField) g_highestField = fieldIndex;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    Asked(fieldIndex);
    if (fieldIndex < 0 || fieldIndex >= kFieldCount) return wdx::kNoMoreFields;
    wsprintfA(fieldName, "Field %d", fieldIndex);
    units[0] = '\0';
    return wdx::kNumeric32;
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    Asked(fieldIndex);
    if (fieldIndex < 0 || fieldIndex >= kFieldCount) return wdx::kNoSuchField;
    std::memcpy(fieldValue, &fieldIndex, sizeof fieldIndex);
    return wdx::kNumeric32;
}

// Calls to either entry point since the library was loaded, and the highest
// field index they asked for (-1 before any).
__declspec(dllexport) void WINAPI ManyFieldsCalls(LONG* calls, LONG* highestField) {
    *calls = g_calls;
    *highestField = g_highestField;
}

}  // extern "C"
