// What the sample plugins share: a field table and the copying of values into
// the host's buffers, always within maxLen.
#pragma once

#include "plugin/PluginInterface.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

namespace sample {

struct FieldInfo {
    const char* name;
    int type;
    const char* units;  // for a Choice: its choices, separated by '|'
};

// Copies text into a host buffer of maxLen bytes, always terminated.
inline void PutText(void* buffer, int maxLen, const char* text) {
    if (maxLen > 0) lstrcpynA(static_cast<char*>(buffer), text, maxLen);
}

// Puts a fixed-size value; a buffer too small for it is an error, not an overrun.
template <class T>
int PutValue(void* buffer, int maxLen, const T& value, int type) {
    if (maxLen < static_cast<int>(sizeof(T))) return wdx::kFileError;
    std::memcpy(buffer, &value, sizeof(T));
    return type;
}

// ContentGetSupportedField over a field table.
template <size_t N>
int SupportedField(const FieldInfo (&fields)[N], int fieldIndex, char* fieldName, char* units, int maxLen) {
    if (fieldIndex < 0 || fieldIndex >= static_cast<int>(N)) return wdx::kNoMoreFields;
    PutText(fieldName, maxLen, fields[fieldIndex].name);
    PutText(units, maxLen, fields[fieldIndex].units);
    return fields[fieldIndex].type;
}

}  // namespace sample
