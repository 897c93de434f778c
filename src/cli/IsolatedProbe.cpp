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

// How a host process ended when it did not finish its job.
struct IsolatedProbe::Outcome {
    bool hang = false;       // ended by the watchdog; else it died by itself
    DWORD exitCode = 0;
    std::string entryPoint;  // the call in progress, or the last one
    int field = -1;
    bool inCall = false;
    HostProcess::Ending lastMessage = HostProcess::Ending::Whole;

    std::string Kind() const { return hang ? "hang" : "crash"; }
};

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

FileReport IsolatedProbe::DiedInFile(const std::string& file, const HostShared& shared, const Outcome& outcome) const {
    FileReport out{file, {}, {}, {}};
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
        const std::string limit = std::to_string(m_options.timeoutMs) + " ms";
        row.value = outcome.hang ? "<Timeout after " + limit + ">" : "<Crash " + Hex(outcome.exitCode) + ">";
        row.fault = outcome.entryPoint + (outcome.hang ? " timeout after " + limit : " crash " + Hex(outcome.exitCode));
        out.fields.push_back(std::move(row));
    }
    return out;
}

PluginProbe::Status IsolatedProbe::Run(const std::string& pluginPath, const std::vector<std::string>& files,
                                       Report& report) {
    const WORD machine = PeMachine(pluginPath);
    // A file that is no plugin goes to our own architecture's host, which says what is wrong with it.
    const bool x64 = machine == IMAGE_FILE_MACHINE_AMD64 || (machine != IMAGE_FILE_MACHINE_I386 && sizeof(void*) == 8);
    report.plugin = pluginPath;
    report.arch = x64 ? "x64" : "x86";
    const std::wstring hostName = x64 ? L"probelet-host64.exe" : L"probelet-host32.exe";
    const std::wstring host = m_hostFolder + L"\\" + hostName;
    if (::GetFileAttributesW(host.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_loadMessage = "cannot load " + pluginPath + ": it is a " + (x64 ? "64" : "32") + "-bit plugin, and " +
                        Narrow(hostName) + ", which runs " + (x64 ? "64" : "32") +
                        "-bit plugins, is not beside probelet-cli.exe (or run it with --in-process in the " +
                        (x64 ? "64" : "32") + "-bit probelet-cli)";
        return PluginProbe::Status::NotLoaded;
    }

    size_t next = 0;
    bool resumed = false;
    const std::string timeoutText = std::to_string(m_options.timeoutMs) + " ms";
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
                Deliver(report, FileReport{files[next], {}, {}, "not inspected: after the hang or crash above, " + error});
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
                for (; next < files.size(); ++next) Deliver(report, FileReport{files[next], {}, {}, {}});
            }
            break;
        }

        // The process hung or died: what was it doing?
        const HostShared& shared = process.Shared();
        Outcome outcome;
        outcome.hang = process.TimedOut();
        outcome.exitCode = exitCode;
        outcome.lastMessage = process.LastMessage();
        if (outcome.hang) {
            outcome.entryPoint = process.TimedOutEntry();
            outcome.field = process.TimedOutField();
            outcome.inCall = process.TimedOutInCall();
        } else {
            const wdx::CallBeacon& beacon = shared.beacon;
            outcome.entryPoint.assign(beacon.entryPoint, strnlen(beacon.entryPoint, sizeof beacon.entryPoint));
            outcome.field = beacon.field;
            outcome.inCall = beacon.inCall != 0;
        }
        std::string what =
            outcome.hang ? (outcome.inCall ? outcome.entryPoint + " did not return within " + timeoutText
                                           : "the plugin's process stood still for " + timeoutText + " after " +
                                                 outcome.entryPoint + " returned")
                         : "the plugin's process ended with " + Hex(exitCode) + (outcome.inCall ? " in " : " after ") +
                               outcome.entryPoint + (outcome.inCall ? "" : " returned");
        // Its memory may be spoilt: the rest comes from a fresh process.
        if (outcome.lastMessage == HostProcess::Ending::Unreadable)
            what = "the plugin's process sent a message that does not read back, and was ended, after " +
                   outcome.entryPoint;
        else if (outcome.lastMessage == HostProcess::Ending::CutShort)
            what += ", in the middle of a message";
        if (!resumed && doneHere == 0 && outcome.inCall && outcome.entryPoint == kLoading) {
            m_loadMessage = "cannot load " + pluginPath + ": " +
                            (outcome.hang ? "DllMain did not return within " + timeoutText
                                          : "its process ended with " + Hex(exitCode) + " in DllMain");
            return PluginProbe::Status::NotLoaded;
        }
        Problem problem;
        problem.kind = outcome.Kind();
        problem.detail = what;
        if (outcome.field >= 0) problem.field = outcome.field;
        const LONG inFile = shared.file;
        if (inFile >= 0 && static_cast<size_t>(inFile) == doneHere) {
            problem.file = files[next];
            Deliver(report, DiedInFile(files[next], shared, outcome));
            ++next;
        } else if (doneHere == 0) {
            // It died before it reached a file: the next process would too.
            report.problems.push_back(std::move(problem));
            for (; next < files.size(); ++next) Deliver(report, FileReport{files[next], {}, {}, {}});
            break;
        }
        report.problems.push_back(std::move(problem));
        resumed = true;
    }
    return report.problems.empty() ? PluginProbe::Status::Ok : PluginProbe::Status::Problems;
}

}  // namespace cli
