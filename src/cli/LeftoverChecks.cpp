#include "cli/LeftoverChecks.h"

#include "cli/ModernValues.h"
#include "cli/SystemText.h"
#include "plugin/ProcessCounts.h"

#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace cli {

namespace {

// Files above this size are not copied: the check would cost more than the run.
constexpr ULONGLONG kMaxCopyBytes = 256ull << 20;
// How long threads of the plugin get to end after the release.
constexpr DWORD kStrayGraceMs = 500;
constexpr size_t kMaxStrays = MAXIMUM_WAIT_OBJECTS;

// Growth allowed per 1,000 fetches, and at least, for each measure.
struct Allowance {
    const char* name;
    int64_t per1000;
    int64_t least;
};
constexpr Allowance kPrivateBytes{"private bytes", 256 * 1024, 64 * 1024};
constexpr Allowance kHandles{"handles", 10, 2};
constexpr Allowance kGdi{"GDI objects", 10, 2};
constexpr Allowance kUser{"USER objects", 10, 2};
constexpr Allowance kThreads{"threads", 2, 1};

struct Usage {
    int64_t privateBytes = 0;
    int64_t handles = 0, gdi = 0, user = 0, threads = 0;

    static Usage Now() {
        Usage u;
        u.handles = counts::KernelHandles();
        u.gdi = counts::GdiObjects();
        u.user = counts::UserObjects();
        u.threads = static_cast<int64_t>(counts::ThreadIds().size());
        u.privateBytes = counts::PrivateBytes();  // last: the counts above allocate and free
        return u;
    }
};

// A thread of the plugin that runs the library's code once it is unmapped
// would take the process down; it is ended instead, and where it was noted.
struct StrayWatch {
    std::atomic<uintptr_t> base{0};
    std::atomic<size_t> size{0};
    std::atomic<DWORD> ids[kMaxStrays];
    std::atomic<uintptr_t> at[kMaxStrays];
};
StrayWatch g_strays;

LONG CALLBACK EndStrayThread(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& e = *info->ExceptionRecord;
    if (e.ExceptionCode != EXCEPTION_ACCESS_VIOLATION) return EXCEPTION_CONTINUE_SEARCH;
    const uintptr_t base = g_strays.base.load(), size = g_strays.size.load();
    const auto inImage = [&](uintptr_t a) { return a - base < size; };
    const auto address = reinterpret_cast<uintptr_t>(e.ExceptionAddress);
    // Its code, or its data read by code elsewhere.
    if (!inImage(address) && !(e.NumberParameters >= 2 && inImage(e.ExceptionInformation[1])))
        return EXCEPTION_CONTINUE_SEARCH;
    // Still mapped: the plugin's own fault, for its own handlers.
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(reinterpret_cast<LPCVOID>(base), &region, sizeof region) && region.Type == MEM_IMAGE &&
        reinterpret_cast<uintptr_t>(region.AllocationBase) == base)
        return EXCEPTION_CONTINUE_SEARCH;
    const DWORD self = ::GetCurrentThreadId();
    for (size_t i = 0; i < kMaxStrays; ++i) {
        if (g_strays.ids[i].load() != self) continue;
        g_strays.at[i].store(address);
        ::ExitThread(e.ExceptionCode);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void ArmStrayWatch(const wdx::PluginBoundary::ImageSpan& image, const std::vector<DWORD>& ids) {
    static const PVOID installed = ::AddVectoredExceptionHandler(1, EndStrayThread);
    (void)installed;
    for (size_t i = 0; i < kMaxStrays; ++i) {
        g_strays.at[i].store(0);
        g_strays.ids[i].store(i < ids.size() ? ids[i] : 0);
    }
    g_strays.size.store(image.size);
    g_strays.base.store(image.base);
}

std::wstring BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::string Offset(const std::string& module, uintptr_t offset) {
    char text[32];
    std::snprintf(text, sizeof text, "+0x%llX", static_cast<unsigned long long>(offset));
    return module + text;
}

// The C runtimes start the threads of _beginthreadex and std::thread.
bool InRuntime(uintptr_t address) {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(address), &module))
        return false;
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    std::wstring name = BaseName(path);
    std::transform(name.begin(), name.end(), name.begin(), [](wchar_t c) { return c < 128 ? static_cast<wchar_t>(std::towlower(c)) : c; });
    for (const wchar_t* runtime : {L"msvcr", L"ucrtbase", L"vcruntime", L"libwinpthread"})
        if (name.compare(0, wcslen(runtime), runtime) == 0) return true;
    return false;
}

uintptr_t StartAddress(HANDLE thread) {
    using Query = NTSTATUS(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    constexpr ULONG kWin32StartAddress = 9;  // ThreadQuerySetWin32StartAddress
    uintptr_t start = 0;
    if (!query || query(thread, kWin32StartAddress, &start, sizeof start, nullptr) < 0) return 0;
    return start;
}

// Why a copy cannot be had for itself, as the file manager would find it:
// empty when nothing holds it.
std::string Held(const std::wstring& copy) {
    const auto holding = [](DWORD e) {
        return e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION || e == ERROR_ACCESS_DENIED ||
               e == ERROR_USER_MAPPED_FILE;
    };
    const HANDLE h = ::CreateFileW(copy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD e = ::GetLastError();
        return holding(e) ? "opened for exclusive access (" + SystemMessage(e) + ")" : std::string();
    }
    ::CloseHandle(h);
    const std::wstring moved = copy + L"~";
    if (!::MoveFileExW(copy.c_str(), moved.c_str(), 0)) {
        const DWORD e = ::GetLastError();
        return holding(e) ? "renamed (" + SystemMessage(e) + ")" : std::string();
    }
    if (!::MoveFileExW(moved.c_str(), copy.c_str(), 0)) {
        const DWORD e = ::GetLastError();
        return holding(e) ? "renamed back (" + SystemMessage(e) + ")" : std::string();
    }
    return std::string();
}

}  // namespace

std::wstring CheckFolder(DWORD pid) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return std::wstring(temp) + L"probelet-check-" + std::to_wstring(pid);
}

void RemoveCheckFolder(DWORD pid) {
    const std::wstring folder = CheckFolder(pid);
    if (!folder.empty() && ::GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) RemoveTree(folder);
}

namespace {

// A copy held by a handle the plugin leaked in probelet-cli's own process
// (--in-process) outlives its run: the next run takes it away.
void RemoveFoldersOfEndedProcesses() {
    const std::wstring self = CheckFolder(::GetCurrentProcessId());
    if (self.empty()) return;
    const std::wstring prefix = self.substr(0, self.find_last_of(L'-') + 1);
    WIN32_FIND_DATAW found;
    const HANDLE find = ::FindFirstFileW((prefix + L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<DWORD> ended;
    do {
        const wchar_t* digits = found.cFileName + wcslen(L"probelet-check-");
        wchar_t* end = nullptr;
        const unsigned long pid = std::wcstoul(digits, &end, 10);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || end == digits || *end) continue;
        const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
        const bool alive = process && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
        if (process) ::CloseHandle(process);
        if (!alive) ended.push_back(pid);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
    for (DWORD pid : ended) RemoveCheckFolder(pid);
}

}  // namespace

std::wstring LeftoverChecks::Copy(const std::string& file) {
    const std::wstring source = Utf8ToWide(file);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(source.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::wstring();
    if ((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow) > kMaxCopyBytes) return std::wstring();
    const std::wstring root = CheckFolder(::GetCurrentProcessId());
    if (root.empty()) return std::wstring();
    if (m_copyCount == 0) RemoveFoldersOfEndedProcesses();
    ::CreateDirectoryW(root.c_str(), nullptr);
    // A folder per copy: the copy keeps the file's name, which plugins go by.
    const std::wstring folder = root + L"\\" + std::to_wstring(++m_copyCount);
    if (!::CreateDirectoryW(folder.c_str(), nullptr)) return std::wstring();
    const std::wstring copy = folder + L"\\" + BaseName(source);
    if (!::CopyFileW(source.c_str(), copy.c_str(), TRUE)) {
        ::RemoveDirectoryW(folder.c_str());
        return std::wstring();
    }
    m_copies.push_back(copy);
    return copy;
}

bool LeftoverChecks::FileLeftOpen(const std::string& file, const std::vector<Field>& fields, wdx::PathForm form,
                                  Report& report) {
    const std::wstring copy = Copy(file);
    if (copy.empty()) return true;  // not checked: the file cannot be copied
    std::string ansi;
    if (form == wdx::PathForm::Ansi) {
        ansi = Utf8ToAnsiPath(WideToUtf8(copy.c_str(), copy.size()));
        if (ansi.empty() || ansi.size() >= MAX_PATH) return true;  // the plugin could not be handed the copy
    }
    m_plugin.SetFile(ansi, form == wdx::PathForm::Wide ? copy : std::wstring());
    wdx::RepeatRequest once;
    once.path = form;
    for (const Field& f : fields) {
        if (!m_plugin.FetchRepeated(f.index, once, m_fetch)) return false;
        const std::string why = Held(copy);
        if (why.empty()) continue;
        // What follows would only find the same handle again.
        AddProblem(report, &file, f.index, "file-left-open",
            std::string(m_fetch.entryPoint) + " of field \"" + f.name +
                "\" returned with the file still open: a copy of it cannot be " + why +
                "; the file manager could not delete, rename or move the file");
        return true;
    }
    // Nothing holds it: it goes now, not at the end of a long run.
    const std::wstring folder = copy.substr(0, copy.find_last_of(L'\\'));
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileW(copy.c_str())) {
        ::RemoveDirectoryW(folder.c_str());
        m_copies.pop_back();
    }
    return true;
}

bool LeftoverChecks::Leaks(const std::string& file, const std::vector<Field>& fields, wdx::PathForm form,
                           Report& report) {
    const int n = m_repeat;
    if (n < kLeakMinRepeat) return true;
    // First calls fill caches and load what the plugin needs: not a leak.
    const int warm = std::max(10, n / 10);
    m_fetch.spans.reserve(static_cast<size_t>(std::max(n, warm)));  // our own memory stays put
    wdx::RepeatRequest block;
    block.path = form;
    // The first count makes handles and objects of its own (the window station, stock objects).
    Usage::Now();
    for (const Field& f : fields) {
        block.repeat = warm;
        if (!m_plugin.FetchRepeated(f.index, block, m_fetch)) return false;
        const Usage before = Usage::Now();
        block.repeat = n;
        if (!m_plugin.FetchRepeated(f.index, block, m_fetch)) return false;
        const Usage after = Usage::Now();

        std::string grew;
        const auto measure = [&](const Allowance& a, int64_t from, int64_t to, bool bytes) {
            const int64_t allowed = std::max(a.least, a.per1000 * n / 1000);
            const int64_t growth = to - from;
            if (growth <= allowed) return;
            char text[128];
            if (bytes)
                std::snprintf(text, sizeof text, "%s +%lld KB (allowed %lld KB)", a.name,
                              static_cast<long long>(growth / 1024), static_cast<long long>(allowed / 1024));
            else
                std::snprintf(text, sizeof text, "%s +%lld (allowed %lld)", a.name, static_cast<long long>(growth),
                              static_cast<long long>(allowed));
            grew += (grew.empty() ? "" : ", ") + std::string(text);
        };
        measure(kPrivateBytes, before.privateBytes, after.privateBytes, true);
        measure(kHandles, before.handles, after.handles, false);
        measure(kGdi, before.gdi, after.gdi, false);
        measure(kUser, before.user, after.user, false);
        measure(kThreads, before.threads, after.threads, false);
        if (grew.empty()) continue;
        AddProblem(report, &file, f.index, "leak",
            "field \"" + f.name + "\", " + std::to_string(n) + " fetches after " + std::to_string(warm) +
                " to warm up: " + grew + "; the file manager grows the same way with every file it shows");
    }
    return true;
}

void LeftoverChecks::BeforeLoad() {
    m_threadsBefore = counts::ThreadIds();
    std::sort(m_threadsBefore.begin(), m_threadsBefore.end());
}

std::string LeftoverChecks::Describe(uintptr_t address) const {
    return m_image.Holds(address) ? Offset(m_pluginName, address - m_image.base) : AddressText(address);
}

std::vector<LeftoverChecks::Stray> LeftoverChecks::StrayThreads() const {
    std::vector<Stray> strays;
    for (DWORD id : counts::ThreadIds()) {
        if (id == ::GetCurrentThreadId() || std::binary_search(m_threadsBefore.begin(), m_threadsBefore.end(), id))
            continue;
        const HANDLE thread = ::OpenThread(THREAD_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
        if (!thread) continue;
        // Ours begin in this program; the system's own (a pool's) in its libraries.
        const uintptr_t start = StartAddress(thread);
        if (strays.size() < kMaxStrays && start && (m_image.Holds(start) || InRuntime(start)))
            strays.push_back({id, thread, Describe(start)});
        else
            ::CloseHandle(thread);
    }
    return strays;
}

void LeftoverChecks::BeforeRelease() {
    for (Stray& s : m_strays) ::CloseHandle(s.handle);
    m_image = m_plugin.Image();
    const std::string path = AnsiToUtf8(m_plugin.Path());
    m_pluginName = path.substr(path.find_last_of("\\/") + 1);
    m_strays = StrayThreads();
    std::vector<DWORD> ids;
    for (const Stray& s : m_strays) ids.push_back(s.id);
    ArmStrayWatch(m_image, ids);
}

void LeftoverChecks::AfterRelease(bool released, Report& report) {
    if (!released && !m_unloadReported) {
        m_unloadReported = true;
        AddProblem(report, nullptr, -1, "unload-failed",
            "the release faulted: " + std::string(m_plugin.Fault().entryPoint) + ": exception " +
                Hex(m_plugin.Fault().code) + "; the file manager would go down as it unloads the plugin or exits");
    }
    std::vector<HANDLE> waits;
    for (const Stray& s : m_strays) waits.push_back(s.handle);
    if (!waits.empty()) ::WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), TRUE, kStrayGraceMs);

    size_t running = 0;
    for (size_t i = 0; i < m_strays.size(); ++i) {
        const Stray& s = m_strays[i];
        const uintptr_t ranAt = g_strays.at[i].load();
        const bool alive = ::WaitForSingleObject(s.handle, 0) == WAIT_TIMEOUT;
        running += alive;
        if (m_threadsReported || (!ranAt && !alive)) continue;
        const std::string thread = "thread " + std::to_string(s.id) + " (begun at " + s.start + ")";
        if (ranAt)
            AddProblem(report, nullptr, -1, "thread-left-running",
                thread + " ran the library's code at " + Offset(m_pluginName, ranAt - m_image.base) +
                    " after ContentPluginUnloading and the release, and was ended: in the file manager it takes "
                    "the program down");
        else
            AddProblem(report, nullptr, -1, "thread-left-running",
                thread + " still runs " + std::to_string(kStrayGraceMs) +
                    " ms after ContentPluginUnloading and the release of the library: once it runs the "
                    "library's code again, it takes the file manager down");
    }
    if (running || std::any_of(g_strays.at, g_strays.at + kMaxStrays, [](const auto& a) { return a.load() != 0; }))
        m_threadsReported = true;

    MEMORY_BASIC_INFORMATION region{};
    const bool mapped = released && m_image.base &&
                        ::VirtualQuery(reinterpret_cast<LPCVOID>(m_image.base), &region, sizeof region) &&
                        region.State == MEM_COMMIT && region.Type == MEM_IMAGE &&
                        reinterpret_cast<uintptr_t>(region.AllocationBase) == m_image.base;
    // Our own pin, for a worker left inside it, is not the plugin's doing.
    if (mapped && !m_plugin.KeptLoaded() && !m_unloadReported) {
        m_unloadReported = true;
        std::string detail =
            "the library is still mapped after ContentPluginUnloading and its release: it holds a reference to "
            "itself (pinned, or loaded again), so the file manager can neither unload nor replace it";
        if (running) detail += ", while " + std::to_string(running) + " of its threads still run";
        AddProblem(report, nullptr, -1, "unload-failed", detail);
    }
    for (Stray& s : m_strays) ::CloseHandle(s.handle);
    m_strays.clear();
}

void LeftoverChecks::RemoveCopies() {
    for (const std::wstring& copy : m_copies) {
        ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(copy.c_str());
        ::RemoveDirectoryW(copy.substr(0, copy.find_last_of(L'\\')).c_str());
    }
    m_copies.clear();
    const std::wstring root = CheckFolder(::GetCurrentProcessId());
    if (!root.empty()) ::RemoveDirectoryW(root.c_str());  // only when empty
}

}  // namespace cli
