// One inspection run: the plugin boundary loads a plugin, lists its fields
// and times each value fetch; the run turns what it reports into row texts
// and messages and hands them to its caller, which owns the window.
#pragma once

#include "plugin/PluginBoundary.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

#include <string>

// The view's inspection state.
struct InspectionState {
    wdx::PluginBoundary m_plugin;      // loaded by the last run; kept until the next one
    char m_szIniPath[MAX_PATH] = "";   // handed to the plugin as its default INI path
    char m_szFile[MAX_PATH] = "";      // the file being inspected
};

// What a run tells its caller, in the order it happens. AddRow comes before
// the field's fetch, so a row exists while the plugin computes its value.
class InspectionReport {
public:
    virtual ~InspectionReport() = default;
    // The previous rows go (after the previous plugin's release).
    virtual void ClearRows() = 0;
    // Before the first field and after the last one, when fields are listed at all.
    virtual void BeginRows() = 0;
    virtual void EndRows() = 0;
    virtual void AddRow(int index, const std::string& name, const char* type) = 0;
    // time is empty when nothing was measured (a faulted fetch).
    virtual void SetResult(int index, const std::string& value, const std::string& time) = 0;
    // A message for the user; the run goes on (a release may follow) once it returns.
    virtual void Tell(const std::string& message) = 0;
};

// Releases the previous plugin, loads pluginPath (read up to MAX_PATH bytes)
// and reports one row per field. Failures, plugin faults included, are
// reported as messages only; a plugin that faulted is released again.
void RunInspection(InspectionState& state, InspectionReport& report, const char* pluginPath);
