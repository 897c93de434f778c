// probelet-cli's default run: the plugin in a host program of ours, in a
// process of its own, so that a call that never returns or a plugin that
// takes its process down ends that process and not us. The host runs the
// same probe as an in-process run and sends its report file by file; after
// a file that hung or crashed, the next file gets a fresh process.
#pragma once

#include "cli/PluginProbe.h"

#include <string>
#include <vector>

namespace cli {

struct HostShared;

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
    struct Outcome;
    void AddProblems(Report& report, std::vector<Problem>& problems);
    void Deliver(Report& report, FileReport file);
    // The file the process was inspecting when it died, from the memory it
    // shared: the rows it finished and the one in progress.
    FileReport DiedInFile(const std::string& file, const HostShared& shared, const Outcome& outcome) const;

    ProbeOptions m_options;
    std::wstring m_hostFolder;
    std::string m_loadMessage;
    ProbeListener m_silent;
    ProbeListener* m_listener = &m_silent;
};

}  // namespace cli
