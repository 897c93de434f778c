// The test content plugin: reports the fields that a test put into the shared
// block (see TestPluginControl.h) and logs every call it receives there.
// Built several times with different exports (TP_PARAMS_NEW, TP_PARAMS_OLD,
// TP_GET_FIELD, TP_GET_VALUE).
#include "testplugin/TestPluginControl.h"

#include <windows.h>

#include <cstring>

namespace {

using testplugin::Block;
using testplugin::Entry;

HANDLE g_mapping = nullptr;
Block* g_block = nullptr;
char g_blockName[128] = "";
int g_loadNumber = 0;

// The block named by the environment, (re)opened whenever the name changes.
Block* Shared() {
    char name[128] = "";
    DWORD n = ::GetEnvironmentVariableA(testplugin::kEnvironmentVariable, name, sizeof name);
    if (n == 0 || n >= sizeof name) name[0] = '\0';
    if (std::strcmp(name, g_blockName) != 0) {
        if (g_block) ::UnmapViewOfFile(g_block);
        if (g_mapping) ::CloseHandle(g_mapping);
        g_block = nullptr;
        g_mapping = nullptr;
        std::strcpy(g_blockName, name);
        if (name[0]) {
            g_mapping = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
            if (g_mapping)
                g_block = static_cast<Block*>(::MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Block)));
        }
    }
    return g_block;
}

testplugin::Call* Log(Block* b, Entry entry) {
    int slot = b->callCount++;
    if (slot >= testplugin::kMaxCalls) return nullptr;
    testplugin::Call* c = &b->calls[slot];
    std::memset(c, 0, sizeof *c);
    c->entry = static_cast<int32_t>(entry);
    c->loadNumber = g_loadNumber;
    return c;
}

[[maybe_unused]] void Spin(int64_t counts) {
    if (counts <= 0) return;
    LARGE_INTEGER start, now;
    ::QueryPerformanceCounter(&start);
    do {
        ::QueryPerformanceCounter(&now);
    } while (now.QuadPart - start.QuadPart < counts);
}

[[maybe_unused]] void SetParams(Entry entry, wdx::PluginDefaultParams* params) {
    Block* b = Shared();
    if (!b) return;
    if (testplugin::Call* c = Log(b, entry)) std::memcpy(c->params, params, sizeof c->params);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        if (Block* b = Shared()) g_loadNumber = ++b->loads;
    } else if (reason == DLL_PROCESS_DETACH) {
        if (Block* b = Shared()) ++b->unloads;
        if (g_block) ::UnmapViewOfFile(g_block);
        if (g_mapping) ::CloseHandle(g_mapping);
    }
    return TRUE;
}

#if TP_GET_FIELD
__declspec(dllexport) int WINAPI ContentGetSupportedField(int fieldIndex, char* fieldName, char* units, int maxLen) {
    Block* b = Shared();
    if (!b) return wdx::kNoMoreFields;
    if (testplugin::Call* c = Log(b, Entry::GetSupportedField)) {
        c->fieldIndex = fieldIndex;
        c->maxLen = maxLen;
        c->nameBuffer = reinterpret_cast<uintptr_t>(fieldName);
        c->unitsBuffer = reinterpret_cast<uintptr_t>(units);
    }
    if (fieldIndex >= 0 && fieldIndex < b->fieldCount && fieldIndex < testplugin::kMaxFields) {
        const testplugin::TestField& f = b->fields[fieldIndex];
        std::memcpy(fieldName, f.name, f.nameSize < maxLen ? f.nameSize : maxLen);
        std::strcpy(units, f.units);
        return f.type;
    }
    if (fieldIndex >= b->fieldCount && b->endlessType != 0) {
        wsprintfA(fieldName, "Field %d", fieldIndex);
        units[0] = '\0';
        return b->endlessType;
    }
    return wdx::kNoMoreFields;
}
#endif

#if TP_GET_VALUE
__declspec(dllexport) int WINAPI ContentGetValue(char* fileName, int fieldIndex, int unitIndex, void* fieldValue,
                                                 int maxLen, int flags) {
    Block* b = Shared();
    if (!b) return wdx::kNoSuchField;
    if (testplugin::Call* c = Log(b, Entry::GetValue)) {
        c->fieldIndex = fieldIndex;
        c->unitIndex = unitIndex;
        c->maxLen = maxLen;
        c->flags = flags;
        c->unitsBuffer = reinterpret_cast<uintptr_t>(fieldValue);
        std::memcpy(c->bufferOnEntry, fieldValue, sizeof c->bufferOnEntry);
        lstrcpynA(c->file, fileName, sizeof c->file);
    }
    if (fieldIndex < 0 || fieldIndex >= b->fieldCount || fieldIndex >= testplugin::kMaxFields)
        return fieldIndex >= 0 && b->endlessType != 0 ? wdx::kFieldEmpty : wdx::kNoSuchField;
    const testplugin::TestField& f = b->fields[fieldIndex];
    if (unitIndex == wdx::kUnitCloseFulltext) {
        Spin(f.closeSpinCounts);
        if (f.closeSize > 0) std::memcpy(fieldValue, f.closeText, f.closeSize);
        return f.closeResult;
    }
    Spin(f.fetchSpinCounts);
    std::memcpy(fieldValue, f.value, f.valueSize < maxLen ? f.valueSize : maxLen);
    return f.valueCode;
}
#endif

#if TP_PARAMS_NEW
__declspec(dllexport) void WINAPI ContentSetDefaultParams(wdx::PluginDefaultParams* params) {
    SetParams(Entry::SetDefaultParams, params);
}
#endif

#if TP_PARAMS_OLD
__declspec(dllexport) void WINAPI ContentSetDefaultParam(wdx::PluginDefaultParams* params) {
    SetParams(Entry::SetDefaultParamOld, params);
}
#endif

}  // extern "C"
