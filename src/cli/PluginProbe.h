// One plugin driven the way a plugin author needs it: every field of every
// file, each fetched N times under the fault guard and timed as the window
// times it, with today's interface where the plugin has it, and (on request)
// the contract checked. Writes nothing itself: it fills a Report.
#pragma once

#include "cli/LeftoverChecks.h"
#include "cli/Report.h"
#include "plugin/PluginBoundary.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct ProbeOptions {
    int repeat = 1;
    bool check = false;
    double slowMs = 100.0;
    std::string ini;  // handed to the plugin, ANSI
    int threads = 2;            // --check: threads fetching at once
    unsigned timeoutMs = 10000; // bound of a wait for a plugin call; 0: none
    // A run that goes on where another one ended (after a hang or a crash in
    // a process of its own): what is checked once per plugin was checked.
    bool resumed = false;
};

// What a run hands on as it goes; probelet-cli's isolation passes it to the
// parent process file by file, and keeps the rows of the file in progress
// where the parent can read them if the process dies.
class ProbeListener {
public:
    virtual ~ProbeListener() = default;
    virtual void OnFileStart(size_t index) {}
    // The row as it stands before its fetch: no value yet.
    virtual void OnFieldStart(const FieldReport& row) {}
    virtual void OnRow(const FieldReport& row) {}
    // report.files.back() is complete.
    virtual void OnFileEnd(Report& report) {}
};

class PluginProbe {
public:
    enum class Status { Ok, Problems, NotLoaded };

    explicit PluginProbe(ProbeOptions options) : m_options(std::move(options)) {}

    // Every plugin call is marked in beacon while it runs.
    void SetBeacon(wdx::CallBeacon* beacon) { m_plugin.SetBeacon(beacon); }
    void SetListener(ProbeListener* listener) { m_listener = listener ? listener : &m_silent; }

    // pluginPath and files in UTF-8, as given.
    Status Run(const std::string& pluginPath, const std::vector<std::string>& files, Report& report);
    // The same for files that come one at a time: next() gives the next, or
    // false when there is none. A plugin that does not load hears of none.
    Status RunEach(const std::string& pluginPath, const std::function<bool(std::string&)>& next, Report& report);
    // Why the plugin could not be used (NotLoaded): names the path and the error.
    const std::string& LoadMessage() const { return m_loadMessage; }

private:
    struct Field {
        int index = 0;
        int declaredType = 0;
        std::string name;  // ANSI, as the plugin wrote it
        std::string units;
        std::optional<int> flags;
    };
    bool Load(const std::string& ansiPath, Report& report);
    // ContentPluginUnloading, then the release; both guarded.
    void Unload(Report& report);
    // The field list; check: record its contract problems. false on a fault.
    bool Enumerate(Report& report, bool check);
    // false when the file's run ended in a fault.
    bool InspectFile(const std::string& file, FileReport& out, Report& report, bool checkNoSuchField);
    // detail in the ANSI code page, as the plugin's names are; values are UTF-8 already.
    void AddProblem(Report& report, const std::string* file, int field, const char* kind, const std::string& detail);
    void AddProblemUtf8(Report& report, const std::string* file, int field, const char* kind, std::string detail);
    void AddFault(Report& report, const std::string* file, int field);

    ProbeOptions m_options;
    ProbeListener m_silent;
    ProbeListener* m_listener = &m_silent;
    wdx::PluginBoundary m_plugin;
    wdx::RepeatedFetch m_fetch;  // reused: no allocation per field
    LeftoverChecks m_leftovers{m_plugin, m_options.repeat};
    std::vector<Field> m_fields;
    std::vector<LeftoverChecks::Field> m_leftoverFields;  // --check: the same, named in UTF-8
    std::string m_pluginPath;  // UTF-8
    std::string m_loadMessage;
    bool m_faulted = false;
    bool m_notLoaded = false;
    bool m_fpuReported = false;
    // Once a run, on the first file that gets so far; a resumed run had its turn.
    bool m_leaksChecked = m_options.resumed;
};

}  // namespace cli
