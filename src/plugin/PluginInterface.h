// The content-plugin contract as Probelet drives it: entry points, their
// codes, and the record handed over after loading. Plugins of our own build
// against this same header.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace wdx {

// Every buffer exchanged with a plugin (field name, units, value) is this size.
constexpr int kBufferSize = 1024;

// Field-type codes: what ContentGetSupportedField declares and what
// ContentGetValue says about the layout of the value buffer.
constexpr int kNoMoreFields = 0;
constexpr int kNumeric32 = 1;    // int32 at offset 0
constexpr int kNumeric64 = 2;    // int64 at offset 0
constexpr int kFloat = 3;        // double at offset 0
constexpr int kDate = 4;         // int16 year, month, day
constexpr int kTime = 5;         // int16 hour, minute, second
constexpr int kBool = 6;         // int32, non-zero is true
constexpr int kChoice = 7;       // zero-terminated text
constexpr int kString = 8;       // zero-terminated text
constexpr int kFulltext = 9;     // zero-terminated text, followed by a closing call
constexpr int kUnknownType = 10;
constexpr int kLastFieldType = kUnknownType;

// Special results of ContentGetValue.
constexpr int kNoSuchField = -1;
constexpr int kFileError = -2;
constexpr int kFieldEmpty = -3;

// Unit index arguments of ContentGetValue.
constexpr int kUnitValue = 0;
constexpr int kUnitCloseFulltext = -1;

// The record handed to the plugin once per load; its layout is fixed by the
// published interface (little-endian, no gaps).
struct PluginDefaultParams {
    int32_t size;             // sizeof(PluginDefaultParams)
    uint32_t versionLow;      // 1
    uint32_t versionHigh;     // 3
    char defaultIniName[MAX_PATH];
};
static_assert(sizeof(PluginDefaultParams) == 272, "the record is 272 bytes");
static_assert(offsetof(PluginDefaultParams, versionLow) == 4, "layout");
static_assert(offsetof(PluginDefaultParams, versionHigh) == 8, "layout");
static_assert(offsetof(PluginDefaultParams, defaultIniName) == 12, "layout");

constexpr int32_t kDefaultParamsSize = sizeof(PluginDefaultParams);
constexpr uint32_t kInterfaceVersionLow = 1;
constexpr uint32_t kInterfaceVersionHigh = 3;

// Entry points (stdcall: the callee pops its arguments on i686).
using ContentGetSupportedFieldFn = int(WINAPI*)(int fieldIndex, char* fieldName, char* units, int maxLen);
using ContentGetValueFn = int(WINAPI*)(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                       int maxLen, int flags);
using ContentSetDefaultParamsFn = void(WINAPI*)(PluginDefaultParams* params);

constexpr char kGetSupportedFieldName[] = "ContentGetSupportedField";
constexpr char kGetValueName[] = "ContentGetValue";
// Real plugins export the name with the final "s"; the other spelling is
// still honoured when it is the only one present.
constexpr char kSetDefaultParamsName[] = "ContentSetDefaultParams";
constexpr char kSetDefaultParamsOldName[] = "ContentSetDefaultParam";

// Today's interface, which the window predates and probelet-cli speaks.
// The window keeps its own reading of these codes (10 lists as "Unknown").
constexpr int kDateTime = 10;     // FILETIME at offset 0
constexpr int kWideString = 11;   // zero-terminated UTF-16 text
constexpr int kOnDemand = -4;     // the value is there only when asked for explicitly
constexpr int kNotSupported = -5; // this field cannot be had for this file

// ContentGetSupportedFieldFlags: what a field offers the host, e.g. to show
// in place of its own size, date or attributes.
constexpr int kFlagEdit = 1;
constexpr int kFlagSubstituteSize = 2;
constexpr int kFlagSubstituteDateTime = 4;
constexpr int kFlagSubstituteMask = 14;  // bits 1-3: one of seven substitutes
constexpr int kFlagFieldEdit = 16;

using ContentGetValueWFn = int(WINAPI*)(wchar_t* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                        int maxLen, int flags);
using ContentGetDetectStringFn = int(WINAPI*)(char* detectString, int maxLen);
using ContentGetSupportedFieldFlagsFn = int(WINAPI*)(int fieldIndex);
using ContentPluginUnloadingFn = void(WINAPI*)();

constexpr char kGetValueWName[] = "ContentGetValueW";
constexpr char kGetDetectStringName[] = "ContentGetDetectString";
constexpr char kGetSupportedFieldFlagsName[] = "ContentGetSupportedFieldFlags";
constexpr char kPluginUnloadingName[] = "ContentPluginUnloading";

}  // namespace wdx
