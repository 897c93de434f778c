// What a process holds, counted from inside it: GDI objects, USER objects,
// private memory, kernel handles and threads. Used by the probe plugin
// (inside Probelet), by probelet-cli's leak check and by tests.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

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

// Wine answers GetProcessHandleCount with 0; the system's list of every
// process's handles has ours.
inline int32_t KernelHandles() {
    DWORD n = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &n) && n) return static_cast<int32_t>(n);
    struct Entry {
        PVOID object;
        ULONG_PTR process;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace, typeIndex;
        ULONG attributes, reserved;
    };
    struct List {
        ULONG_PTR count, reserved;
        Entry entries[1];
    };
    using Query = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return 0;
    constexpr ULONG kExtendedHandles = 64;  // SystemExtendedHandleInformation
    constexpr NTSTATUS kTooSmall = static_cast<NTSTATUS>(0xC0000004);
    std::vector<unsigned char> room(1 << 16);
    NTSTATUS status;
    while ((status = query(kExtendedHandles, room.data(), static_cast<ULONG>(room.size()), nullptr)) == kTooSmall &&
           room.size() < (256u << 20))
        room.resize(room.size() * 2);
    if (status < 0) return 0;
    const auto* list = reinterpret_cast<const List*>(room.data());
    const ULONG_PTR self = ::GetCurrentProcessId();
    int32_t own = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i) own += list->entries[i].process == self;
    return own;
}

// The ids of this process's threads.
inline std::vector<DWORD> ThreadIds() {
    std::vector<DWORD> ids;
    const HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Thread32First(snap, &entry); more; more = ::Thread32Next(snap, &entry))
        if (entry.th32OwnerProcessID == self) ids.push_back(entry.th32ThreadID);
    ::CloseHandle(snap);
    return ids;
}

}  // namespace counts
