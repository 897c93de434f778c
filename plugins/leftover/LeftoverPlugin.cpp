// A plugin for what is left behind after a fetch or an unload, built once per
// manner. Field 0 "Size" is sound in every manner; the manner acts in field 1
// "Extra", whose value is the manner's name.
//   LEFTOVER_SOUND:  a worker thread, stopped and waited for on unloading.
//   LEFTOVER_OPEN:   keeps the last inspected file open (share read only).
//   LEFTOVER_LEAK:   16 KB of heap and an event per fetch, never freed.
//   LEFTOVER_THREAD: a thread that runs forever, still there after the unload.
//   LEFTOVER_PIN:    pins its own module on load, so it is never unmapped.
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

#if LEFTOVER_SOUND
constexpr char kManner[] = "sound";
#elif LEFTOVER_OPEN
constexpr char kManner[] = "open";
#elif LEFTOVER_LEAK
constexpr char kManner[] = "leak";
#elif LEFTOVER_THREAD
constexpr char kManner[] = "thread";
#elif LEFTOVER_PIN
constexpr char kManner[] = "pin";
#else
#error "build with one LEFTOVER_<MANNER>=1"
#endif

const char* const kNames[] = {"Size", "Extra"};
constexpr int kCount = 2;

#if LEFTOVER_SOUND || LEFTOVER_THREAD
// Fetches may come from several threads: the first one starts the worker.
INIT_ONCE g_started = INIT_ONCE_STATIC_INIT;
#endif

#if LEFTOVER_SOUND
HANDLE g_stop = nullptr;
HANDLE g_worker = nullptr;

DWORD WINAPI Worker(LPVOID module) {
    while (::WaitForSingleObject(g_stop, 100) == WAIT_TIMEOUT) {
    }
    // Its own reference keeps the code mapped even if a host forgets to say it
    // unloads; it is dropped only once nothing here runs any more.
    ::FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

BOOL CALLBACK Start(PINIT_ONCE, PVOID, PVOID*) {
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Worker), &self))
        return FALSE;
    g_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_worker = g_stop ? ::CreateThread(nullptr, 0, Worker, self, 0, nullptr) : nullptr;
    if (!g_worker) ::FreeLibrary(self);
    return TRUE;
}
#elif LEFTOVER_THREAD
DWORD WINAPI Worker(LPVOID) {
    for (;;) ::Sleep(5);
}

BOOL CALLBACK Start(PINIT_ONCE, PVOID, PVOID*) {
    if (HANDLE thread = ::CreateThread(nullptr, 0, Worker, nullptr, 0, nullptr)) ::CloseHandle(thread);
    return TRUE;
}
#elif LEFTOVER_OPEN
CRITICAL_SECTION g_lock;
HANDLE g_kept = INVALID_HANDLE_VALUE;
#endif

void Misbehave(const char* fileName) {
#if LEFTOVER_SOUND || LEFTOVER_THREAD
    (void)fileName;
    ::InitOnceExecuteOnce(&g_started, Start, nullptr, nullptr);
#elif LEFTOVER_OPEN
    const HANDLE h = ::CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ::EnterCriticalSection(&g_lock);
    if (g_kept != INVALID_HANDLE_VALUE) ::CloseHandle(g_kept);
    g_kept = h;
    ::LeaveCriticalSection(&g_lock);
#elif LEFTOVER_LEAK
    (void)fileName;
    constexpr SIZE_T kBlock = 16 * 1024;
    // Written to, so the pages are committed and count as private bytes.
    if (void* block = ::HeapAlloc(::GetProcessHeap(), 0, kBlock)) std::memset(block, 0x4C, kBlock);
    ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
#else
    (void)fileName;
#endif
}

int Size(const char* fileName, void* value) {
    const HANDLE h = ::CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return wdx::kFileError;
    LARGE_INTEGER size{};
    const BOOL ok = ::GetFileSizeEx(h, &size);
    ::CloseHandle(h);
    if (!ok) return wdx::kFileError;
    const int64_t bytes = size.QuadPart;
    std::memcpy(value, &bytes, sizeof bytes);
    return wdx::kNumeric64;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
#if LEFTOVER_OPEN
    ::InitializeCriticalSection(&g_lock);
#elif LEFTOVER_PIN
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&DllMain), &self);
#endif
    return TRUE;
}

__declspec(dllexport) int WINAPI ContentGetSupportedField(int index, char* name, char* units, int maxLen) {
    if (index < 0 || index >= kCount) return wdx::kNoMoreFields;
    lstrcpynA(name, kNames[index], maxLen);
    units[0] = '\0';
    return index == 0 ? wdx::kNumeric64 : wdx::kString;
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int index, int, void* value, int maxLen, int) {
    if (index < 0 || index >= kCount) return wdx::kNoSuchField;
    if (index == 0) return Size(fileName, value);
    Misbehave(fileName);
    lstrcpynA(static_cast<char*>(value), kManner, maxLen);
    return wdx::kString;
}

__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams*) {}

__declspec(dllexport) void WINAPI ContentPluginUnloading() {
#if LEFTOVER_SOUND
    if (g_worker) {
        ::SetEvent(g_stop);
        ::WaitForSingleObject(g_worker, INFINITE);
        ::CloseHandle(g_worker);
        g_worker = nullptr;
    }
    if (g_stop) ::CloseHandle(g_stop);
    g_stop = nullptr;
#endif
}

}  // extern "C"
