#include "cli/IsolatedProbe.h"

#include "cli/HostProcess.h"
#include "cli/PeImage.h"
#include "cli/SystemText.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace cli {

namespace {

// What the beacon calls DllMain on the way in (the boundary's name for it).
constexpr char kLoading[] = "DllMain while loading";

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

}  // namespace

HostOutcome HostOutcome::Of(const HostProcess& process, DWORD exitCode) {
    HostOutcome o;
    o.hang = process.TimedOut();
    o.exitCode = exitCode;
    o.lastMessage = process.LastMessage();
    if (o.hang) {
        o.entryPoint = process.TimedOutEntry();
        o.field = process.TimedOutField();
        o.inCall = process.TimedOutInCall();
    } else {
        const wdx::CallBeacon& beacon = process.Shared().beacon;
        o.entryPoint.assign(beacon.entryPoint, strnlen(beacon.entryPoint, sizeof beacon.entryPoint));
        o.field = beacon.field;
        o.inCall = beacon.inCall != 0;
    }
    return o;
}

std::wstring HostProgram(const std::string& plugin, const std::wstring& folder, bool& x64) {
    const WORD machine = PeMachine(plugin);
    // A file that is no plugin goes to our own architecture's host, which says what is wrong with it.
    x64 = machine == IMAGE_FILE_MACHINE_AMD64 || (machine != IMAGE_FILE_MACHINE_I386 && sizeof(void*) == 8);
    return folder + L"\\" + (x64 ? L"probelet-host64.exe" : L"probelet-host32.exe");
}

bool HostOutcome::DiedLoading() const { return inCall && entryPoint == kLoading; }

std::string HostOutcome::LoadMessage(const std::string& plugin, unsigned timeoutMs) const {
    return "cannot load " + plugin + ": " +
           (hang ? "DllMain did not return within " + std::to_string(timeoutMs) + " ms"
                 : "its process ended with " + Hex(exitCode) + " in DllMain");
}

std::string HostOutcome::What(unsigned timeoutMs) const {
    const std::string limit = std::to_string(timeoutMs) + " ms";
    // Its memory may be spoilt: the rest comes from a fresh process.
    if (lastMessage == HostProcess::Ending::Unreadable)
        return "the plugin's process sent a message that does not read back, and was ended, after " + entryPoint;
    std::string what = hang ? (inCall ? entryPoint + " did not return within " + limit
                                      : "the plugin's process stood still for " + limit + " after " + entryPoint +
                                            " returned")
                            : "the plugin's process ended with " + Hex(exitCode) + (inCall ? " in " : " after ") +
                                  entryPoint + (inCall ? "" : " returned");
    if (lastMessage == HostProcess::Ending::CutShort) what += ", in the middle of a message";
    return what;
}

void IsolatedProbe::Deliver(Report& report, FileReport file) {
    report.files.push_back(std::move(file));
    m_listener->OnFileEnd(report);
}

void IsolatedProbe::AddProblems(Report& report, std::vector<Problem>& problems) {
    for (Problem& p : problems) {
        // A fresh process finds the same floating-point manners again: once per run.
        if (p.kind == "fpu-state-changed") {
            bool seen = false;
            for (const Problem& q : report.problems) seen = seen || q.kind == p.kind;
            if (seen) continue;
        }
        report.problems.push_back(std::move(p));
    }
}

FileReport DiedInFile(const std::string& file, const HostShared& shared, const HostOutcome& outcome,
                      unsigned timeoutMs) {
    FileReport out{file, {}, {}, {}, {}};
    const size_t rowsBytes = std::min<size_t>(static_cast<size_t>(shared.rowsBytes), HostShared::kRowsSize);
    const size_t pendingBytes = std::min<size_t>(static_cast<size_t>(shared.pendingBytes), HostShared::kPendingSize);
    std::atomic_thread_fence(std::memory_order_acquire);
    WireReader rows(shared.rows, rowsBytes);
    while (!rows.AtEnd()) {
        FieldReport row;
        if (!Get(rows, row)) break;
        out.fields.push_back(std::move(row));
    }
    // The field whose fetch was in progress shows what became of it.
    WireReader pending(shared.pending, pendingBytes);
    FieldReport row;
    if (outcome.inCall && pendingBytes && Get(pending, row) && row.index == outcome.field) {
        const std::string limit = std::to_string(timeoutMs) + " ms";
        row.value = outcome.hang ? "<Timeout after " + limit + ">" : "<Crash " + Hex(outcome.exitCode) + ">";
        row.fault = outcome.entryPoint + (outcome.hang ? " timeout after " + limit : " crash " + Hex(outcome.exitCode));
        out.fields.push_back(std::move(row));
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    const std::string at = outcome.hang ? std::string() : std::string(shared.crashAt, strnlen(shared.crashAt, sizeof shared.crashAt));
    out.failure = Failure{outcome.Kind(), outcome.entryPoint, outcome.inCall ? outcome.field : -1,
                          outcome.hang ? 0u : static_cast<uint32_t>(outcome.exitCode), at};
    return out;
}

PluginProbe::Status IsolatedProbe::Run(const std::string& pluginPath, const std::vector<std::string>& files,
                                       Report& report) {
    bool x64 = false;
    const std::wstring host = HostProgram(pluginPath, m_hostFolder, x64);
    const std::wstring hostName = host.substr(m_hostFolder.size() + 1);
    report.plugin = pluginPath;
    report.arch = x64 ? "x64" : "x86";
    if (::GetFileAttributesW(host.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_loadMessage = "cannot load " + pluginPath + ": it is a " + (x64 ? "64" : "32") + "-bit plugin, and " +
                        Narrow(hostName) + ", which runs " + (x64 ? "64" : "32") +
                        "-bit plugins, is not beside probelet-cli.exe (or run it with --in-process in the " +
                        (x64 ? "64" : "32") + "-bit probelet-cli)";
        return PluginProbe::Status::NotLoaded;
    }

    size_t next = 0;
    bool resumed = false;
    while (next < files.size()) {
        HostJob job{pluginPath, m_options, std::vector<std::string>(files.begin() + static_cast<std::ptrdiff_t>(next), files.end())};
        job.options.resumed = resumed;
        HostProcess process;
        std::string error;
        if (!process.Start(host, job, m_options.timeoutMs, error)) {
            if (next == 0 && !resumed) {
                m_loadMessage = "cannot load " + pluginPath + ": " + error;
                return PluginProbe::Status::NotLoaded;
            }
            // After a hang or a crash: what is left cannot be asked.
            for (; next < files.size(); ++next)
                Deliver(report, FileReport{files[next], {}, {}, "not inspected: after the hang or crash above, " + error, {}});
            break;
        }
        size_t doneHere = 0;
        bool ended = false;
        EndMessage end;
        HostMessage kind;
        std::string body;
        while (process.Next(kind, body)) {
            WireReader reader(body.data(), body.size());
            if (kind == HostMessage::File) {
                FileMessage m;
                if (!Get(reader, m)) {
                    process.Reject();
                    break;
                }
                if (!resumed && m.detectString && !report.detectString) report.detectString = m.detectString;
                Deliver(report, std::move(m.file));
                AddProblems(report, m.problems);
                ++doneHere;
            } else if (kind == HostMessage::End && Get(reader, end)) {
                if (!resumed && end.detectString && !report.detectString) report.detectString = end.detectString;
                AddProblems(report, end.problems);
                ended = true;
            } else {
                process.Reject();
                break;
            }
        }
        const DWORD exitCode = process.Finish();
        next += doneHere;
        if (ended) {
            if (end.status == static_cast<uint32_t>(PluginProbe::Status::NotLoaded)) {
                if (!resumed) {
                    m_loadMessage = end.loadMessage;
                    return PluginProbe::Status::NotLoaded;
                }
                // Nothing more can be asked of this plugin, as in-process.
                for (; next < files.size(); ++next) Deliver(report, FileReport{files[next], {}, {}, {}, {}});
            }
            break;
        }

        // The process hung or died: what was it doing?
        const HostShared& shared = process.Shared();
        const HostOutcome outcome = HostOutcome::Of(process, exitCode);
        if (!resumed && doneHere == 0 && outcome.DiedLoading()) {
            m_loadMessage = outcome.LoadMessage(pluginPath, m_options.timeoutMs);
            return PluginProbe::Status::NotLoaded;
        }
        Problem problem;
        problem.kind = outcome.Kind();
        problem.detail = outcome.What(m_options.timeoutMs);
        if (outcome.field >= 0) problem.field = outcome.field;
        const LONG inFile = shared.file;
        if (inFile >= 0 && static_cast<size_t>(inFile) == doneHere) {
            problem.file = files[next];
            Deliver(report, DiedInFile(files[next], shared, outcome, m_options.timeoutMs));
            ++next;
        } else if (doneHere == 0) {
            // It died before it reached a file: the next process would too.
            report.problems.push_back(std::move(problem));
            for (; next < files.size(); ++next) Deliver(report, FileReport{files[next], {}, {}, {}, {}});
            break;
        }
        report.problems.push_back(std::move(problem));
        resumed = true;
    }
    return report.problems.empty() ? PluginProbe::Status::Ok : PluginProbe::Status::Problems;
}

}  // namespace cli
