// The system calls that the fuzzed files name but the fuzzed functions never
// make: a call means a target strayed into code that needs Windows.
#include <windows.h>

#include <cstdlib>

DWORD ExpandEnvironmentStringsA(const char*, char*, DWORD) { std::abort(); }
DWORD GetFileAttributesA(const char*) { std::abort(); }
int lstrcmpiA(const char*, const char*) { std::abort(); }
