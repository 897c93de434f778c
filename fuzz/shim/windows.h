// Stand-in for <windows.h> in the native fuzz build: the few types and calls
// that the fuzzed sources name. Multibyte behaviour is that of a single-byte
// code page, except that code page 932 knows its lead bytes, so that the
// multibyte-aware searches are fuzzed too.
#pragma once

#include <cstdint>

#define WINAPI
#define MAX_PATH 260
#define CP_ACP 0u
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_DIRECTORY 0x10u

typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int BOOL;

inline BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c) {
    return codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}

// Reached by none of the fuzzed functions; they trap when called (WinStubs.cpp).
DWORD ExpandEnvironmentStringsA(const char* source, char* dest, DWORD size);
DWORD GetFileAttributesA(const char* path);
int lstrcmpiA(const char* a, const char* b);
