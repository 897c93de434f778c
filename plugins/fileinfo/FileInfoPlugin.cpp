// fileinfo: a content plugin for everyday use. It reports what the Windows
// file API knows about a file, one field of every field type: size, dates and
// times, attributes, kind, extension, size in MiB and the start of the file's
// text. It follows the published interface, so the real host can use it too.
#include "common/PluginFields.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstring>

namespace {

using sample::FieldInfo;
using sample::PutText;
using sample::PutValue;

enum FieldId {
    kSize,
    kHardLinks,
    kSizeMiB,
    kModifiedDate,
    kModifiedTime,
    kCreatedDate,
    kCreatedTime,
    kReadOnly,
    kHidden,
    kSystem,
    kArchive,
    kKind,
    kExtension,
    kText,
    kFieldCount
};

const FieldInfo kFields[kFieldCount] = {
    {"Size", wdx::kNumeric64, ""},
    {"Hard links", wdx::kNumeric32, ""},
    {"Size (MiB)", wdx::kFloat, ""},
    {"Modified date", wdx::kDate, ""},
    {"Modified time", wdx::kTime, ""},
    {"Created date", wdx::kDate, ""},
    {"Created time", wdx::kTime, ""},
    {"Read-only", wdx::kBool, ""},
    {"Hidden", wdx::kBool, ""},
    {"System", wdx::kBool, ""},
    {"Archive", wdx::kBool, ""},
    {"Kind", wdx::kChoice, "File|Directory"},
    {"Extension", wdx::kString, ""},
    {"Text", wdx::kFulltext, ""},
};

// The local date or time of a file time, as the three 16-bit values the
// interface expects.
int PutDateOrTime(void* buffer, int maxLen, const FILETIME& utc, bool date) {
    FILETIME local;
    SYSTEMTIME st;
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st)) return wdx::kFileError;
    const WORD values[3] = {date ? st.wYear : st.wHour, date ? st.wMonth : st.wMinute,
                            date ? st.wDay : st.wSecond};
    return PutValue(buffer, maxLen, values, date ? wdx::kDate : wdx::kTime);
}

int HardLinks(const char* file, void* buffer, int maxLen) {
    HANDLE h = ::CreateFileA(file, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return wdx::kFileError;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!ok) return wdx::kFileError;
    return PutValue(buffer, maxLen, static_cast<int32_t>(info.nNumberOfLinks), wdx::kNumeric32);
}

// The extension of the last path component, without its dot; multibyte-aware.
const char* Extension(const char* file) {
    const char* dot = nullptr;
    for (const char* p = file; *p; p = ::CharNextA(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') dot = nullptr;
        else if (*p == '.') dot = p;
    }
    return dot ? dot + 1 : "";
}

// A chunk of the file's text starting at offset: at most maxLen - 1 bytes,
// ending early at a zero byte. Returns the bytes put, 0 at the end, -1 on error.
int ReadText(const char* file, LONGLONG offset, char* buffer, int maxLen) {
    if (maxLen <= 0) return -1;
    HANDLE h = ::CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    LARGE_INTEGER pos;
    pos.QuadPart = offset;
    DWORD read = 0;
    BOOL ok = ::SetFilePointerEx(h, pos, nullptr, FILE_BEGIN) &&
              ::ReadFile(h, buffer, static_cast<DWORD>(maxLen - 1), &read, nullptr);
    ::CloseHandle(h);
    if (!ok) return -1;
    buffer[read] = '\0';
    return static_cast<int>(std::strlen(buffer));
}

// The full-text field is delivered in pieces: the host asks with the unit
// index 0, then with the number of bytes it has so far, until the result is
// 0; the unit index -1 ends the delivery early.
int Text(const char* file, const WIN32_FILE_ATTRIBUTE_DATA& data, int unitIndex, void* buffer, int maxLen) {
    if (unitIndex == wdx::kUnitCloseFulltext) return wdx::kNoMoreFields;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return wdx::kFieldEmpty;
    int n = ReadText(file, unitIndex, static_cast<char*>(buffer), maxLen);
    if (n < 0) return wdx::kFileError;
    if (n == 0) return unitIndex == 0 ? wdx::kFieldEmpty : wdx::kNoMoreFields;
    return wdx::kFulltext;
}

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    return sample::SupportedField(kFields, fieldIndex, fieldName, units, maxLen);
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    if (fieldIndex < 0 || fieldIndex >= kFieldCount) return wdx::kNoSuchField;
    if (unitIndex != 0 && fieldIndex != kText) return wdx::kNoSuchField;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!fileName || !::GetFileAttributesExA(fileName, GetFileExInfoStandard, &data)) return wdx::kFileError;
    const bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const int64_t size = isDirectory ? 0 : static_cast<int64_t>((ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    switch (fieldIndex) {
    case kSize:
        return isDirectory ? wdx::kFieldEmpty : PutValue(fieldValue, maxLen, size, wdx::kNumeric64);
    case kHardLinks:
        return HardLinks(fileName, fieldValue, maxLen);
    case kSizeMiB:
        return isDirectory ? wdx::kFieldEmpty : PutValue(fieldValue, maxLen, size / 1048576.0, wdx::kFloat);
    case kModifiedDate:
    case kModifiedTime:
        return PutDateOrTime(fieldValue, maxLen, data.ftLastWriteTime, fieldIndex == kModifiedDate);
    case kCreatedDate:
    case kCreatedTime:
        return PutDateOrTime(fieldValue, maxLen, data.ftCreationTime, fieldIndex == kCreatedDate);
    case kReadOnly:
    case kHidden:
    case kSystem:
    case kArchive: {
        static const DWORD kBits[] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                      FILE_ATTRIBUTE_ARCHIVE};
        const int32_t set = (data.dwFileAttributes & kBits[fieldIndex - kReadOnly]) ? 1 : 0;
        return PutValue(fieldValue, maxLen, set, wdx::kBool);
    }
    case kKind:
        PutText(fieldValue, maxLen, isDirectory ? "Directory" : "File");
        return wdx::kChoice;
    case kExtension: {
        const char* ext = isDirectory ? "" : Extension(fileName);
        if (!*ext) return wdx::kFieldEmpty;
        PutText(fieldValue, maxLen, ext);
        return wdx::kString;
    }
    case kText:
        return Text(fileName, data, unitIndex, fieldValue, maxLen);
    }
    return wdx::kNoSuchField;
}

__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams*) {
    // Nothing to configure: every field comes straight from the file system.
}

}  // extern "C"
