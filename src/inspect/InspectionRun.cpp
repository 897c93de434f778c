#include "inspect/InspectionRun.h"

#include "framework/MessageBox.h"
#include "inspect/ValueText.h"

#include <cstring>
#include <string>

namespace wdx {

namespace {

// Copies at most MAX_PATH - 1 bytes of a zero-terminated text and terminates it.
void CopyPath(char (&dest)[MAX_PATH], const char* source) {
    size_t n = source ? strnlen(source, MAX_PATH - 1) : 0;
    std::memcpy(dest, source ? source : "", n);
    dest[n] = '\0';
}

}  // namespace

TimedFetch FetchValue(ContentGetValueFn getValue, char* file, int fieldIndex, char* buffer) {
    LARGE_INTEGER first, second;
    ::QueryPerformanceCounter(&first);
    int code = getValue(file, fieldIndex, kUnitValue, buffer, kBufferSize, 0);
    ::QueryPerformanceCounter(&second);
    return TimedFetch{code, first.QuadPart, second.QuadPart};
}

PluginEntryPoints ResolveEntryPoints(HMODULE plugin) {
    PluginEntryPoints ep;
    ep.getSupportedField =
        reinterpret_cast<ContentGetSupportedFieldFn>(::GetProcAddress(plugin, kGetSupportedFieldName));
    ep.getValue = reinterpret_cast<ContentGetValueFn>(::GetProcAddress(plugin, kGetValueName));
    FARPROC setParams = ::GetProcAddress(plugin, kSetDefaultParamsName);
    if (!setParams) setParams = ::GetProcAddress(plugin, kSetDefaultParamsOldName);
    ep.setDefaultParams = reinterpret_cast<ContentSetDefaultParamsFn>(setParams);
    return ep;
}

PluginDefaultParams MakeDefaultParams(const char* iniPath) {
    PluginDefaultParams params{};
    params.size = kDefaultParamsSize;
    params.versionLow = kInterfaceVersionLow;
    params.versionHigh = kInterfaceVersionHigh;
    CopyPath(params.defaultIniName, iniPath);
    return params;
}

}  // namespace wdx

void InspectPlugin(InspectionState& state, fw::ListCtrl& fields, const char* pluginPath) {
    using namespace wdx;

    if (state.m_hPlugin) {
        ::FreeLibrary(state.m_hPlugin);
        state.m_hPlugin = nullptr;
    }
    fields.DeleteAllItems();

    char path[MAX_PATH];
    CopyPath(path, pluginPath);
    state.m_hPlugin = ::LoadLibraryA(path);
    if (!state.m_hPlugin) {
        const DWORD error = ::GetLastError();
        fw::AppMessageBox("Error plugin loading " + std::string(path) + " (" +
                          std::to_string(static_cast<int>(error)) + ")");
        return;
    }

    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    ::QueryPerformanceFrequency(&frequency);

    const PluginEntryPoints plugin = ResolveEntryPoints(state.m_hPlugin);
    if (!plugin.IsValid()) {
        fw::AppMessageBox("This is not valid TC plugin");
        ::FreeLibrary(state.m_hPlugin);
        state.m_hPlugin = nullptr;
        return;
    }

    if (plugin.setDefaultParams) {
        PluginDefaultParams params = MakeDefaultParams(state.m_szIniPath);
        plugin.setDefaultParams(&params);
    }

    // The plugin may write into the path it is handed; the view's own copy stays intact.
    char file[MAX_PATH];
    CopyPath(file, state.m_szFile);
    // The units buffer doubles as the value buffer; neither is cleared between fields.
    char name[kBufferSize] = {};
    char value[kBufferSize] = {};
    // Only the loop's plugin calls and list work stay; the list paints once at the end.
    fields.SetRedraw(false);
    for (int i = 0; i < kMaxFields; ++i) {
        int type = plugin.getSupportedField(i, name, value, kBufferSize);
        if (type == kNoMoreFields) break;
        type = ClampFieldType(type);

        fields.InsertItem(i, BoundedText(name, kBufferSize).c_str());
        fields.SetItemText(i, 1, TypeText(type));

        const TimedFetch fetch = FetchValue(plugin.getValue, file, i, value);
        if (fetch.code == kFulltext) plugin.getValue(file, i, kUnitCloseFulltext, value, kBufferSize, 0);

        fields.SetItemText(i, 3, ValueText(fetch.code, value, kBufferSize).c_str());
        fields.SetItemText(i, 2, TimeText(fetch.first, fetch.second, frequency.QuadPart).c_str());
    }

    fields.SetColumnWidth(0, LVSCW_AUTOSIZE);
    fields.SetColumnWidth(1, LVSCW_AUTOSIZE);
    fields.SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
    fields.SetColumnWidth(3, LVSCW_AUTOSIZE_USEHEADER);
    fields.SetRedraw(true);
    fields.Invalidate();
}
