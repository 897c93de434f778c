#include "inspect/InspectionRun.h"

#include "plugin/ValueText.h"

#include <string>

namespace {

using wdx::PluginBoundary;

class RowSink : public wdx::FieldSink {
public:
    RowSink(InspectionReport& report, int64_t frequency) : m_report(report), m_frequency(frequency) {}

    void OnField(const wdx::PluginField& field) override {
        m_report.AddRow(field.index, wdx::BoundedText(field.name, wdx::kBufferSize), wdx::TypeText(field.type));
    }
    void OnValue(const wdx::PluginField& field, const wdx::ValueFetch& fetch) override {
        if (fetch.faulted) {
            m_report.SetResult(field.index, wdx::ExceptionValueText(fetch.exceptionCode), std::string());
            return;
        }
        m_report.SetResult(field.index, wdx::ValueText(fetch.code, fetch.value, wdx::kBufferSize),
                           wdx::TimeText(fetch.first, fetch.second, m_frequency));
    }

private:
    InspectionReport& m_report;
    const int64_t m_frequency;
};

// The library goes after its message, as after "not valid"; its release may
// fault too and is then reported as well.
void Release(PluginBoundary& plugin, InspectionReport& report) {
    if (!plugin.Release()) report.Tell(plugin.FaultText());
}

void ReportAndRelease(PluginBoundary& plugin, InspectionReport& report) {
    report.Tell(plugin.FaultText());
    Release(plugin, report);
}

}  // namespace

void RunInspection(InspectionState& state, InspectionReport& report, const char* pluginPath) {
    PluginBoundary& plugin = state.m_plugin;
    Release(plugin, report);
    report.ClearRows();

    switch (plugin.Open(pluginPath)) {
    case PluginBoundary::OpenResult::Opened:
        break;
    case PluginBoundary::OpenResult::LoadFailed:
        report.Tell("Error plugin loading " + std::string(plugin.Path()) + " (" +
                    std::to_string(static_cast<int>(plugin.LoadError())) + ")");
        return;
    case PluginBoundary::OpenResult::Faulted:
        report.Tell(plugin.FaultText());
        return;
    case PluginBoundary::OpenResult::NotAPlugin:
        report.Tell("This is not valid TC plugin");
        Release(plugin, report);
        return;
    }

    LARGE_INTEGER frequency;
    frequency.QuadPart = 0;
    ::QueryPerformanceFrequency(&frequency);

    if (!plugin.SetDefaultParams(state.m_szIniPath)) {
        ReportAndRelease(plugin, report);
        return;
    }
    // The plugin may write into the path it is handed; the caller's own copy stays intact.
    plugin.SetFile(state.m_szFile);
    report.BeginRows();
    RowSink rows(report, frequency.QuadPart);
    const bool clean = plugin.InspectFields(rows);
    report.EndRows();
    if (!clean) ReportAndRelease(plugin, report);
}
