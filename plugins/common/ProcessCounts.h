// What a process holds, counted from inside it: GDI objects, USER objects and
// private memory. Used by the probe plugin (inside Probelet) and by tests.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>

namespace counts {

// Wine answers GetGuiResources with 0 for every process, but accepts a
// handle's bare table index (high word zero) for any live object: probe
// every index.
inline int32_t GdiObjects() {
    if (DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int32_t>(n);
    int32_t n = 0;
    for (UINT_PTR i = 1; i <= 0xFFFF; ++i)
        if (::GetObjectType(reinterpret_cast<HGDIOBJ>(i))) ++n;
    return n;
}

inline BOOL CALLBACK CountWindow(HWND hwnd, LPARAM counter) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<int32_t*>(counter);
        ::EnumChildWindows(hwnd, CountWindow, counter);
    }
    return TRUE;
}

// The process's windows, cursors and icons (user handles are even values
// from 0x20 on; the bare index form is accepted too).
inline int32_t UserObjects() {
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
inline int64_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                               sizeof counters) &&
        counters.PrivateUsage)
        return static_cast<int64_t>(counters.PrivateUsage);
    int64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += static_cast<int64_t>(region.RegionSize);
        if (static_cast<const char*>(region.BaseAddress) + region.RegionSize < at) break;  // wrapped
    }
    return total;
}

}  // namespace counts
