// A content plugin with today's interface (Unicode value calls, date and time,
// UTF-16 text, full text, detect string, field flags, unloading notice), built
// once as a well-behaved plugin and once per contract breach that probelet-cli
// --check must find (CP_BREACH names it).
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>

#define EXPORT extern "C" __declspec(dllexport)

namespace {

// CP_BREACH: the code of the breach to commit (plugins/CMakeLists.txt lists them in this order).
enum Breach {
    kNone, kNameUnterminated, kNameEmpty, kNameDuplicate, kTypeInvalid, kBufferOverrun, kPathModified,
    kValueTypeMismatch, kNoSuchField, kUnstableValue, kFault, kSlowField, kValueUnterminated,
};
#ifndef CP_BREACH
#define CP_BREACH kNone
#endif
constexpr Breach kBreach = static_cast<Breach>(CP_BREACH);

using wdx::kDateTime;
using wdx::kWideString;

struct Field {
    const char* name;
    int type;
    const char* units;
};
const Field kFields[] = {
    {"Size", wdx::kNumeric64, "bytes|kbytes"},
    {"Name", wdx::kString, ""},
    {"Modified", kDateTime, ""},
    {"Wide name", kWideString, ""},
    {"Text", wdx::kFulltext, ""},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];

void CopyText(char* out, const char* text, int maxLen) {
    if (maxLen <= 0) return;
    const size_t n = std::min(std::strlen(text), static_cast<size_t>(maxLen) - 1);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

// The file's facts through its Unicode path.
bool FileFacts(const wchar_t* path, WIN32_FILE_ATTRIBUTE_DATA& data) {
    return ::GetFileAttributesExW(path, GetFileExInfoStandard, &data) != 0;
}

// The file's bytes from offset, at most maxLen - 1, ending early at a zero
// byte: any text a test puts in a file comes back as this field's value.
// Returns the bytes put, 0 at the end, -1 on error.
int ReadText(const wchar_t* path, int offset, char* out, int maxLen) {
    HANDLE h = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    DWORD read = 0;
    const bool ok = ::SetFilePointer(h, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
                    ::ReadFile(h, out, static_cast<DWORD>(maxLen - 1), &read, nullptr);
    ::CloseHandle(h);
    if (!ok) return -1;
    out[read] = '\0';
    return static_cast<int>(std::strlen(out));
}

const wchar_t* BaseName(const wchar_t* path) {
    const wchar_t* base = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') base = p + 1;
    return base;
}

int Value(const wchar_t* path, int index, int unit, void* out, int maxLen) {
    if (index < 0 || index >= kFieldCount + (kBreach == kNoSuchField ? 1 : 0)) return wdx::kNoSuchField;
    if (index >= kFieldCount) return wdx::kFieldEmpty;  // answers for a field it never listed
    if (kBreach == kFault && index == 1) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (kBreach == kSlowField && index == 0) ::Sleep(150);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!FileFacts(path, data)) return wdx::kFileError;
    switch (index) {
    case 0: {
        int64_t size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (unit == 1) size /= 1024;
        static int64_t calls = 0;
        if (kBreach == kUnstableValue) size += ++calls;  // another answer each time
        std::memcpy(out, &size, sizeof size);
        return wdx::kNumeric64;
    }
    case 1: {
        char name[MAX_PATH] = "";
        ::WideCharToMultiByte(CP_ACP, 0, BaseName(path), -1, name, sizeof name, nullptr, nullptr);
        CopyText(static_cast<char*>(out), name, maxLen);
        // A time stamp inside a text: the answers differ only late.
        static int reads = 0;
        if (kBreach == kUnstableValue) std::snprintf(static_cast<char*>(out), maxLen, "generated at %06d", ++reads);
        // Eight hex digits into an eight-byte count: _snprintf leaves no terminator.
        if (kBreach == kValueUnterminated) {
            char hex[9];
            std::snprintf(hex, sizeof hex, "%08lX", static_cast<unsigned long>(data.nFileSizeLow));
            std::memcpy(out, hex, 8);
        }
        // The terminator one past the end: the smallest overrun.
        if (kBreach == kBufferOverrun) static_cast<char*>(out)[maxLen] = '\0';
        return wdx::kString;
    }
    case 2:
        if (kBreach == kValueTypeMismatch) {
            CopyText(static_cast<char*>(out), "yesterday", maxLen);
            return wdx::kString;
        }
        std::memcpy(out, &data.ftLastWriteTime, sizeof data.ftLastWriteTime);
        return kDateTime;
    case 3: {
        const wchar_t* base = BaseName(path);
        const size_t chars = std::min(std::wcslen(base), static_cast<size_t>(maxLen) / sizeof(wchar_t) - 1);
        std::memcpy(out, base, chars * sizeof(wchar_t));
        static_cast<wchar_t*>(out)[chars] = L'\0';
        return kWideString;
    }
    default: {
        // A slow end to a fast read: a host's time for the field must leave it out.
        if (unit == wdx::kUnitCloseFulltext) {
            ::Sleep(50);
            return wdx::kFieldEmpty;
        }
        // Asked with the bytes delivered so far, until nothing is left.
        const int n = ReadText(path, unit, static_cast<char*>(out), maxLen);
        if (n < 0) return wdx::kFileError;
        if (n == 0) return unit == 0 ? wdx::kFieldEmpty : wdx::kNoMoreFields;
        return wdx::kFulltext;
    }
    }
}

}  // namespace

EXPORT int __stdcall ContentGetSupportedField(int index, char* name, char* units, int maxLen) {
    if (index == 0 && kBreach == kTypeInvalid) {
        CopyText(name, "Size", maxLen);
        CopyText(units, "", maxLen);
        return 42;
    }
    if (index < 0 || index >= kFieldCount) return wdx::kNoMoreFields;
    const Field& f = kFields[index];
    CopyText(name, f.name, maxLen);
    CopyText(units, f.units, maxLen);
    if (index == 1 && kBreach == kNameUnterminated) std::memset(name, 'n', static_cast<size_t>(maxLen));
    if (index == 1 && kBreach == kNameEmpty) name[0] = '\0';
    if (index == 1 && kBreach == kNameDuplicate) CopyText(name, kFields[0].name, maxLen);
    return f.type;
}

EXPORT int __stdcall ContentGetValueW(wchar_t* path, int index, int unit, void* out, int maxLen, int flags) {
    const int result = Value(path, index, unit, out, maxLen);
    if (kBreach == kPathModified && index == 1) path[0] = L'?';
    return result;
}

EXPORT int __stdcall ContentGetValue(char* path, int index, int unit, void* out, int maxLen, int flags) {
    wchar_t wide[MAX_PATH] = L"";
    ::MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    const int result = Value(wide, index, unit, out, maxLen);
    // An ANSI caller gets ANSI text.
    if (result == kWideString) {
        char text[wdx::kBufferSize] = "";
        ::WideCharToMultiByte(CP_ACP, 0, static_cast<wchar_t*>(out), -1, text, sizeof text, nullptr, nullptr);
        CopyText(static_cast<char*>(out), text, maxLen);
        return wdx::kString;
    }
    return result;
}

EXPORT int __stdcall ContentGetSupportedFieldFlags(int index) { return index == 0 ? wdx::kFlagSubstituteSize : 0; }

EXPORT int __stdcall ContentGetDetectString(char* text, int maxLen) {
    CopyText(text, "EXT=\"*\"", maxLen);
    return 0;
}

EXPORT void __stdcall ContentSetDefaultParams(wdx::PluginDefaultParams*) {}

EXPORT void __stdcall ContentPluginUnloading() {}
