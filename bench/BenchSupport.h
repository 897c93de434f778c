// What the benchmarks that drive the bench plugin share: the counter and
// where the plugin lies beside the running program.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace bench {

inline int64_t Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

inline int64_t Frequency() {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f.QuadPart;
}

// plugins/benchplugin.wdx (.wdx64) beside the running program.
inline std::string BenchPluginPath() {
    char exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe, n);
    dir = dir.substr(0, dir.find_last_of('\\'));
    return dir + "\\plugins\\benchplugin" + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

}  // namespace bench
