// probelet-cli's default run: the plugin in a host program of ours, in a
// process of its own, so that a call that never returns or a plugin that
// takes its process down ends that process and not us. The host runs the
// same probe as an in-process run and sends its report file by file; after
// a file that hung or crashed, the next file gets a fresh process.
#pragma once

#include "cli/HostProcess.h"
#include "cli/PluginProbe.h"

#include <string>
#include <vector>

namespace cli {

// How a host process ended when it did not finish its job.
struct HostOutcome {
    bool hang = false;       // ended by the watchdog; else it died by itself
    DWORD exitCode = 0;
    std::string entryPoint;  // the call in progress, or the last one
    int field = -1;
    bool inCall = false;
    HostProcess::Ending lastMessage = HostProcess::Ending::Whole;

    // After Finish() gave exitCode.
    static HostOutcome Of(const HostProcess& process, DWORD exitCode);
    std::string Kind() const { return hang ? "hang" : "crash"; }
    // It hung or died in DllMain on the way in: the plugin cannot be loaded, and why.
    bool DiedLoading() const;
    std::string LoadMessage(const std::string& plugin, unsigned timeoutMs) const;
    // What happened, in a line.
    std::string What(unsigned timeoutMs) const;
};

// The host program that runs plugin, in folder; x64: the plugin's (and so the host's) kind.
std::wstring HostProgram(const std::string& plugin, const std::wstring& folder, bool& x64);

// The file the process was inspecting when it died, from the memory it
// shared: the rows it finished, the one in progress, and the failure.
FileReport DiedInFile(const std::string& file, const HostShared& shared, const HostOutcome& outcome,
                      unsigned timeoutMs);

class IsolatedProbe {
public:
    // hostFolder: where the host programs lie (probelet-cli.exe's folder).
    IsolatedProbe(ProbeOptions options, std::wstring hostFolder)
        : m_options(std::move(options)), m_hostFolder(std::move(hostFolder)) {}

    // As PluginProbe::Run; hangs and crashes are problems of their own kinds.
    PluginProbe::Status Run(const std::string& pluginPath, const std::vector<std::string>& files, Report& report);
    const std::string& LoadMessage() const { return m_loadMessage; }
    // Told of each file as it is complete (OnFileEnd only).
    void SetListener(ProbeListener* listener) { m_listener = listener ? listener : &m_silent; }

private:
    void AddProblems(Report& report, std::vector<Problem>& problems);
    void Deliver(Report& report, FileReport file);

    ProbeOptions m_options;
    std::wstring m_hostFolder;
    std::string m_loadMessage;
    ProbeListener m_silent;
    ProbeListener* m_listener = &m_silent;
};

}  // namespace cli
