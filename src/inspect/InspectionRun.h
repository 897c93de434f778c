// One inspection run: load a plugin, list its fields, time each value fetch.
// It is an operation of the inspection view and works on the view's members.
#pragma once

#include "framework/ListCtrl.h"
#include "inspect/PluginInterface.h"

#include <windows.h>

#include <cstdint>

// The view's inspection state.
struct InspectionState {
    HMODULE m_hPlugin = nullptr;       // loaded by the last run; kept until the next one
    char m_szIniPath[MAX_PATH] = "";   // handed to the plugin as its default INI path
    char m_szFile[MAX_PATH] = "";      // the file being inspected
};

// Frees the previous plugin, empties `fields` (a report list whose four
// columns "Field", "Type", "Time(ms)", "Value" the view has created), loads
// pluginPath (read up to MAX_PATH bytes) and fills one row per field, then
// sizes the columns. Failures are reported in message boxes only.
void InspectPlugin(InspectionState& state, fw::ListCtrl& fields, const char* pluginPath);

namespace wdx {

// A plugin lists at most this many fields; a plugin whose list never ends is
// cut off here.
constexpr int kMaxFields = 65536;

// One value fetch between two counter readings: nothing else lies in the span.
struct TimedFetch {
    int code = 0;
    int64_t first = 0;
    int64_t second = 0;
};
TimedFetch FetchValue(ContentGetValueFn getValue, char* file, int fieldIndex, char* buffer);

// The entry points of a loaded library; valid when the two required ones exist.
struct PluginEntryPoints {
    ContentGetSupportedFieldFn getSupportedField = nullptr;
    ContentGetValueFn getValue = nullptr;
    ContentSetDefaultParamsFn setDefaultParams = nullptr;
    bool IsValid() const { return getSupportedField && getValue; }
};
PluginEntryPoints ResolveEntryPoints(HMODULE plugin);

// The record for ContentSetDefaultParams with iniPath (read up to MAX_PATH bytes).
PluginDefaultParams MakeDefaultParams(const char* iniPath);

}  // namespace wdx
