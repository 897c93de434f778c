#include "inspect/InspectionRun.h"

#include "framework/MessageBox.h"
#include "plugin/ValueText.h"

#include <string>

namespace {

using wdx::PluginBoundary;

// Row i is inserted with its name and type before field i is fetched, and
// gets its value and time afterwards.
class RowWriter : public wdx::FieldSink {
public:
    RowWriter(fw::ListCtrl& fields, int64_t frequency) : m_fields(fields), m_frequency(frequency) {}

    void OnField(const wdx::PluginField& field) override {
        m_fields.InsertItem(field.index, wdx::BoundedText(field.name, wdx::kBufferSize).c_str());
        m_fields.SetItemText(field.index, 1, wdx::TypeText(field.type));
    }
    // A faulted fetch has a value text but no time: nothing was measured.
    void OnValue(const wdx::PluginField& field, const wdx::ValueFetch& fetch) override {
        if (fetch.faulted) {
            m_fields.SetItemText(field.index, 3, wdx::ExceptionValueText(fetch.exceptionCode).c_str());
            return;
        }
        m_fields.SetItemText(field.index, 3, wdx::ValueText(fetch.code, fetch.value, wdx::kBufferSize).c_str());
        m_fields.SetItemText(field.index, 2, wdx::TimeText(fetch.first, fetch.second, m_frequency).c_str());
    }

private:
    fw::ListCtrl& m_fields;
    const int64_t m_frequency;
};

// The library goes after its box, as after "not valid"; its release may
// fault too and is then reported as well.
void Release(PluginBoundary& plugin) {
    if (!plugin.Release()) fw::AppMessageBox(plugin.FaultText());
}

void ReportAndRelease(PluginBoundary& plugin) {
    fw::AppMessageBox(plugin.FaultText());
    Release(plugin);
}

}  // namespace

void InspectPlugin(InspectionState& state, fw::ListCtrl& fields, const char* pluginPath) {
    PluginBoundary& plugin = state.m_plugin;
    Release(plugin);
    fields.DeleteAllItems();

    switch (plugin.Open(pluginPath)) {
    case PluginBoundary::OpenResult::Opened:
        break;
    case PluginBoundary::OpenResult::LoadFailed:
        fw::AppMessageBox("Error plugin loading " + std::string(plugin.Path()) + " (" +
                          std::to_string(static_cast<int>(plugin.LoadError())) + ")");
        return;
    case PluginBoundary::OpenResult::Faulted:
        fw::AppMessageBox(plugin.FaultText());
        return;
    case PluginBoundary::OpenResult::NotAPlugin:
        fw::AppMessageBox("This is not valid TC plugin");
        Release(plugin);
        return;
    }

    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    ::QueryPerformanceFrequency(&frequency);

    if (!plugin.SetDefaultParams(state.m_szIniPath)) {
        ReportAndRelease(plugin);
        return;
    }
    // The plugin may write into the path it is handed; the view's own copy stays intact.
    plugin.SetFile(state.m_szFile);
    // Only the loop's plugin calls and list work stay; the list paints once at the end.
    fields.SetRedraw(false);
    RowWriter rows(fields, frequency.QuadPart);
    const bool clean = plugin.InspectFields(rows);

    fields.SetColumnWidth(0, LVSCW_AUTOSIZE);
    fields.SetColumnWidth(1, LVSCW_AUTOSIZE);
    fields.SetColumnWidth(2, LVSCW_AUTOSIZE_USEHEADER);
    fields.SetColumnWidth(3, LVSCW_AUTOSIZE_USEHEADER);
    fields.SetRedraw(true);
    fields.Invalidate();
    if (!clean) ReportAndRelease(plugin);
}
