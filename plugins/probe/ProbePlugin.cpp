// The soak test's probe: a content plugin whose fields report, at the moment
// each is fetched, what the host process holds: its GDI objects, its USER
// objects and its private bytes. The file name is not looked at.
#include "common/PluginFields.h"
#include "plugin/ProcessCounts.h"


#include <cstdint>

namespace {

const sample::FieldInfo kFields[] = {
    {"GDI objects", wdx::kNumeric32, ""},
    {"USER objects", wdx::kNumeric32, ""},
    {"Private bytes", wdx::kNumeric64, ""},
};

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    return sample::SupportedField(kFields, fieldIndex, fieldName, units, maxLen);
}

__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    switch (fieldIndex) {
    case 0: return sample::PutValue(fieldValue, maxLen, counts::GdiObjects(), wdx::kNumeric32);
    case 1: return sample::PutValue(fieldValue, maxLen, counts::UserObjects(), wdx::kNumeric32);
    case 2: return sample::PutValue(fieldValue, maxLen, counts::PrivateBytes(), wdx::kNumeric64);
    default: return wdx::kNoSuchField;
    }
}

}  // extern "C"
