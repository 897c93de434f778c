// One inspection run: the plugin boundary loads a plugin, lists its fields
// and times each value fetch; the run turns what it reports into rows of the
// view's field list and into message boxes.
#pragma once

#include "framework/ListCtrl.h"
#include "plugin/PluginBoundary.h"
#include "plugin/PluginInterface.h"

#include <windows.h>

// The view's inspection state.
struct InspectionState {
    wdx::PluginBoundary m_plugin;      // loaded by the last run; kept until the next one
    char m_szIniPath[MAX_PATH] = "";   // handed to the plugin as its default INI path
    char m_szFile[MAX_PATH] = "";      // the file being inspected
};

// Releases the previous plugin, empties `fields` (a report list whose four
// columns "Field", "Type", "Time(ms)", "Value" the view has created), loads
// pluginPath (read up to MAX_PATH bytes) and fills one row per field, then
// sizes the columns. Failures, plugin faults included, are reported in
// message boxes only; a plugin that faulted is released again.
void InspectPlugin(InspectionState& state, fw::ListCtrl& fields, const char* pluginPath);
