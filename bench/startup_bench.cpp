// Start-up of Probelet.exe, timed from another process, against
// bare_window.exe (our floor: the same list-view contents and the least
// per-plugin work, no framework) started and timed the same way:
//  (a) 100 configured plugins and a 10,000-line list file;
//  (b) 1,000 configured plugins and the same list file;
//  (c) one plugin and a 100,000-line list file (list loading).
// "Started" is when the program's window is shown, its thread is idle and
// nothing in it waits to be painted: from CreateProcess, wait for a visible
// top-level window of the program's class, then WaitForInputIdle, then
// repeat a SendMessageTimeout(WM_NULL) round trip (answered only once the
// thread is back in its message loop) until neither that window nor any of
// its children has an update region left (GetUpdateRect) - paints come
// after every other message, so that is the end of the first full paint.
// The host's registry key of this prefix points at an INI of our own while
// it runs, and is removed afterwards: do not run it beside the tests of the
// same build tree.
//
// Run: scripts/wine-run.sh BUILD_DIR BUILD_DIR/startup_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr DWORD kLimitMs = 120000;
const char kHostKey[] = "Software\\Ghisler\\Total Commander";

double NowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

std::string ExeDir() {
    char exe[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe, n);
    return dir.substr(0, dir.find_last_of('\\'));
}

bool WriteText(const std::string& path, const std::string& text) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    return ok && written == text.size();
}

bool SetHostIni(const std::string& installDir, const std::string& ini) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const auto& v : {std::make_pair("InstallDir", installDir), std::make_pair("IniFileName", ini)})
        ok = ::RegSetValueExA(key, v.first, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.second.c_str()),
                              static_cast<DWORD>(v.second.size() + 1)) == ERROR_SUCCESS && ok;
    ::RegCloseKey(key);
    return ok;
}

struct Find {
    DWORD pid;
    const char* cls;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM param) {
    auto* f = reinterpret_cast<Find*>(param);
    DWORD pid = 0;
    char cls[64] = "";
    ::GetWindowThreadProcessId(hwnd, &pid);
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == f->pid && lstrcmpA(cls, f->cls) == 0 && ::IsWindowVisible(hwnd)) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindPending(HWND hwnd, LPARAM pending) {
    if (::IsWindowVisible(hwnd) && ::GetUpdateRect(hwnd, nullptr, FALSE)) {
        *reinterpret_cast<bool*>(pending) = true;
        return FALSE;
    }
    return TRUE;
}

bool PaintPending(HWND main) {
    bool pending = ::GetUpdateRect(main, nullptr, FALSE) != FALSE;
    if (!pending) ::EnumChildWindows(main, FindPending, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Milliseconds from CreateProcess to a shown, idle, fully painted window;
// negative when the program did not get there.
double StartToIdle(const std::string& exe, const std::string& args, const char* frameClass) {
    std::string commandLine = "\"" + exe + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = NowMs();
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    double took = -1;
    Find find{pi.dwProcessId, frameClass, nullptr};
    const DWORD start = ::GetTickCount();
    auto inTime = [&] { return ::GetTickCount() - start < kLimitMs; };
    while (!find.found && inTime() && ::WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT)
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&find));
    if (find.found) {
        ::WaitForInputIdle(pi.hProcess, kLimitMs);
        DWORD_PTR result = 0;
        while (inTime() && ::SendMessageTimeoutA(find.found, WM_NULL, 0, 0, SMTO_NORMAL, kLimitMs, &result)) {
            if (!PaintPending(find.found)) {
                took = NowMs() - t0;
                break;
            }
            ::Sleep(0);
        }
        ::PostMessageA(find.found, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(pi.hProcess, 30000) != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return took;
}

struct Spread {
    double best;
    double median;
};

Spread Of(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2]};
}

struct Case {
    const char* name;
    std::string ini;
    std::string list;
};

}  // namespace

int main() {
    const std::string exeDir = ExeDir();
    const std::string probelet = exeDir + "\\Probelet.exe";
    const std::string bare = exeDir + "\\bare_window.exe";
    const std::string plugin = exeDir + "\\plugins\\fileinfo" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "probelet-startup-bench";
    ::CreateDirectoryA(dir.c_str(), nullptr);

    // The first file is real and gets inspected; the others are only listed.
    const std::string first = dir + "\\first.txt";
    bool ok = WriteText(first, "The first file of the list.\r\n");
    auto list = [&](int lines) {
        std::string text = first + "\r\n";
        for (int i = 1; i < lines; ++i) text += dir + "\\files\\document " + std::to_string(i) + ".txt\r\n";
        const std::string path = dir + "\\list" + std::to_string(lines) + ".txt";
        ok = WriteText(path, text) && ok;
        return path;
    };
    auto ini = [&](int plugins) {
        std::string text = "[ContentPlugins]\r\n0=" + plugin + "\r\n";
        for (int i = 1; i < plugins; ++i)
            text += std::to_string(i) + "=" + dir + "\\plugins\\content plugin " + std::to_string(i) + ".wdx\r\n";
        const std::string path = dir + "\\wincmd" + std::to_string(plugins) + ".ini";
        ok = WriteText(path, text) && ok;
        return path;
    };
    const std::string list10k = list(10000);
    const std::string list100k = list(100000);
    const Case cases[] = {
        {"(a) start-up, 100 plugins, 10,000-line list", ini(100), list10k},
        {"(b) start-up, 1,000 plugins, 10,000-line list", ini(1000), list10k},
        {"(c) list loading: start-up, 1 plugin, 100,000-line list", ini(1), list100k},
    };
    if (!ok) {
        std::printf("cannot write the bench files in %s\n", dir.c_str());
        return 1;
    }

    std::printf("Start-up to a shown, idle, painted window, from another process; best and median of %d runs\n",
                kRuns);
    std::vector<double> empty;
    for (int i = 0; i <= kRuns; ++i) {
        const double t = StartToIdle(bare, "", "ProbeletBareFrame");
        if (i > 0) empty.push_back(t);  // the first start of a program is slower
    }
    std::printf("  empty bare window (process start alone): %8.1f ms best, %8.1f median\n", Of(empty).best,
                Of(empty).median);
    std::fflush(stdout);

    int status = 0;
    for (const Case& c : cases) {
        if (!SetHostIni(dir + "\\", c.ini)) {
            std::printf("cannot write the host's registry key\n");
            status = 1;
            break;
        }
        const std::string quotedList = "\"" + c.list + "\"";
        const std::string bareArgs = "--ini \"" + c.ini + "\" --list " + quotedList;
        std::vector<double> runs, floors;
        for (int i = 0; i <= kRuns; ++i) {
            const double run = StartToIdle(probelet, quotedList, "ProbeletMainWindowClass");
            const double floor = StartToIdle(bare, bareArgs, "ProbeletBareFrame");
            if (run < 0 || floor < 0) {
                std::printf("%s: a program did not start (%.0f, %.0f)\n", c.name, run, floor);
                status = 1;
                break;
            }
            if (i == 0) continue;
            runs.push_back(run);
            floors.push_back(floor);
        }
        if (runs.empty()) continue;
        const Spread r = Of(runs), f = Of(floors);
        std::printf("%s\n", c.name);
        std::printf("    Probelet %8.1f ms best, %8.1f median\n", r.best, r.median);
        std::printf("    floor    %8.1f ms best, %8.1f median (bare window, same list items, per plugin: INI read, "
                    "label measured, region, tooltip tool)\n",
                    f.best, f.median);
        std::printf("    ratio %.2f best, %.2f median (target <= 1.5)\n", r.best / f.best, r.median / f.median);
        std::fflush(stdout);
    }
    for (const std::string& file : {first, list10k, list100k, cases[0].ini, cases[1].ini, cases[2].ini})
        ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(dir.c_str());
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kHostKey);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ghisler");
    return status;
}
