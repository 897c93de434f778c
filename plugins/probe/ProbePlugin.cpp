// The soak test's probe: a content plugin whose fields report, at the moment
// each is fetched, what the host process holds: its GDI objects, its USER
// objects and its private bytes. The file name is not looked at.
#include "common/PluginFields.h"

#include <psapi.h>

#include <cstdint>

namespace {

const sample::FieldInfo kFields[] = {
    {"GDI objects", wdx::kNumeric32, ""},
    {"USER objects", wdx::kNumeric32, ""},
    {"Private bytes", wdx::kNumeric64, ""},
};

// Wine answers GetGuiResources with 0 for every process, but accepts a
// handle's bare table index for any live object: probe every index.
int32_t GdiObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int32_t>(n);
    int32_t n = 0;
    for (UINT_PTR i = 1; i <= 0xFFFF; ++i)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++n;
    return n;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM counter) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<int32_t*>(counter);
        ::EnumChildWindows(hwnd, CountWindow, counter);
    }
    return TRUE;
}

// Windows, cursors and icons (user handles are even values from 0x20 on).
int32_t UserObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)) return static_cast<int32_t>(n);
    int32_t n = 0;
    ::EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&n));
    for (UINT_PTR h = 0x20; h <= 0xFFFE; h += 2) {
        ICONINFO info{};
        if (::GetIconInfo(reinterpret_cast<HICON>(h), &info)) {
            ++n;
            if (info.hbmMask) ::DeleteObject(info.hbmMask);
            if (info.hbmColor) ::DeleteObject(info.hbmColor);
        }
    }
    return n;
}

// Wine reports a PrivateUsage of 0; the committed private regions are the
// same quantity, summed by hand.
int64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters) &&
        counters.PrivateUsage)
        return static_cast<int64_t>(counters.PrivateUsage);
    int64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr;
         ::VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += static_cast<int64_t>(region.RegionSize);
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;  // wrapped
    }
    return total;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    return sample::SupportedField(kFields, fieldIndex, fieldName, units, maxLen);
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    switch (fieldIndex) {
    case 0: return sample::PutValue(fieldValue, maxLen, GdiObjects(), wdx::kNumeric32);
    case 1: return sample::PutValue(fieldValue, maxLen, UserObjects(), wdx::kNumeric32);
    case 2: return sample::PutValue(fieldValue, maxLen, PrivateBytes(), wdx::kNumeric64);
    default: return wdx::kNoSuchField;
    }
}

}  // extern "C"
