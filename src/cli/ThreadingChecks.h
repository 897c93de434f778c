// probelet-cli --check, the host's threads: what a plugin meets in the file
// manager beyond one call at a time. A field answered as delayed must have a
// value when asked again from a background thread; fetches from several
// threads at once must give what one thread alone got; a slow fetch must end
// early when ContentStopGetValue asks it to.
#pragma once

#include "cli/PluginProbe.h"
#include "cli/Report.h"
#include "plugin/PluginBoundary.h"

#include <string>
#include <vector>

namespace cli {

class ThreadingChecks {
public:
    ThreadingChecks(wdx::PluginBoundary& plugin, const ProbeOptions& options, Report& report)
        : m_plugin(plugin), m_options(options), m_report(report) {}

    // After the serial fetches of file (serial: their rows, all returned),
    // made with the path in form. false when a call on this thread faulted
    // (the boundary's Fault() names it): the plugin's state is unknown.
    bool Run(const std::string& file, const std::vector<FieldReport>& serial, wdx::PathForm form);

private:
    using ThreadCall = wdx::PluginBoundary::ThreadCall;

    bool Delayed(const std::vector<FieldReport>& serial);
    bool Together(const std::vector<FieldReport>& serial);
    bool Stop(const std::vector<FieldReport>& serial);
    // Why call, made only while other threads fetched too, is not what the
    // serial run got; empty when it is.
    std::string Differs(const ThreadCall& call, const FieldReport& row) const;
    double Ms(int64_t ticks) const;
    std::string Limit() const;
    void Add(int field, const char* kind, std::string detail);

    wdx::PluginBoundary& m_plugin;
    const ProbeOptions& m_options;
    Report& m_report;
    const std::string* m_file = nullptr;
    wdx::PathForm m_form = wdx::PathForm::Ansi;
    bool m_adrift = false;  // a worker was left inside the plugin: ask no more
};

}  // namespace cli
