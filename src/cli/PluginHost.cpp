// probelet-host32.exe and probelet-host64.exe: run one plugin for
// probelet-cli in a process of their own, so that a plugin that never
// returns, or takes its process down, ends this process and not
// probelet-cli. The same probe as in-process, file by file back over a pipe.
//   probelet-hostNN.exe JOB OUT SHARED   (inherited handles, as numbers)
#include "cli/HostChannel.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A fault no guard catches (on a thread the plugin started, say) ends the
// process with its code, at once: no debugger, no box waiting for a click.
LONG WINAPI EndWithCode(EXCEPTION_POINTERS* info) {
    ::TerminateProcess(::GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

HANDLE HandleArgument(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (!text[0] || *end) return nullptr;
    const HANDLE h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
    // Ours alone: nothing the plugin starts inherits the pipe and keeps it open.
    if (!::SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0)) return nullptr;
    return h;
}

bool ReadAll(HANDLE pipe, std::string& out) {
    char chunk[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) || read == 0)
            return ::GetLastError() == ERROR_BROKEN_PIPE || read == 0;
        out.append(chunk, read);
    }
}

bool WriteAll(HANDLE pipe, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD n = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(pipe, bytes.data() + done, n, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// Hands each finished file to the parent, and keeps the file in progress
// where the parent can read it if this process dies.
class Relay : public cli::ProbeListener {
public:
    Relay(HANDLE out, cli::HostShared& shared) : m_out(out), m_shared(shared) {}

    void OnFileStart(size_t index) override { m_shared.StartFile(static_cast<LONG>(index)); }
    void OnFieldStart(const cli::FieldReport& row) override { m_shared.SetPending(Bytes(row)); }
    void OnRow(const cli::FieldReport& row) override { m_shared.AddRow(Bytes(row)); }
    void OnFileEnd(cli::Report& report) override {
        cli::FileMessage m;
        m.file = std::move(report.files.back());
        report.files.clear();  // sent: nothing grows with the number of files
        TakeNews(report, m.detectString, m.problems);
        Send(cli::HostMessage::File, m);
        m_shared.EndFile();
    }
    void OnEnd(cli::Report& report, cli::PluginProbe::Status status, const std::string& loadMessage) {
        cli::EndMessage m;
        m.status = static_cast<uint32_t>(status);
        m.loadMessage = loadMessage;
        TakeNews(report, m.detectString, m.problems);
        Send(cli::HostMessage::End, m);
    }
    bool Failed() const { return m_failed; }

private:
    const std::string& Bytes(const cli::FieldReport& row) {
        m_row.Clear();
        cli::Put(m_row, row);
        return m_row.Bytes();
    }
    // What the parent has not had yet.
    void TakeNews(const cli::Report& report, std::optional<std::string>& detect, std::vector<cli::Problem>& problems) {
        if (!m_detectSent && report.detectString) {
            detect = report.detectString;
            m_detectSent = true;
        }
        problems.assign(report.problems.begin() + static_cast<std::ptrdiff_t>(m_problemsSent), report.problems.end());
        m_problemsSent = report.problems.size();
    }
    template <class Message>
    void Send(cli::HostMessage kind, const Message& m) {
        cli::WireWriter body;
        cli::Put(body, m);
        if (!m_failed && !WriteAll(m_out, cli::Frame(kind, body))) m_failed = true;
    }

    HANDLE m_out;
    cli::HostShared& m_shared;
    cli::WireWriter m_row;
    bool m_detectSent = false;
    size_t m_problemsSent = 0;
    bool m_failed = false;
};

}  // namespace

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(EndWithCode);
    if (argc != 4) return 64;
    const HANDLE jobPipe = HandleArgument(argv[1]);
    const HANDLE out = HandleArgument(argv[2]);
    const HANDLE mapping = HandleArgument(argv[3]);
    if (!jobPipe || !out || !mapping) return 64;

    std::string bytes;
    cli::HostJob job;
    const bool read = ReadAll(jobPipe, bytes);
    ::CloseHandle(jobPipe);
    cli::WireReader reader(bytes.data(), bytes.size());
    if (!read || !cli::Get(reader, job)) return 65;
    auto* shared = static_cast<cli::HostShared*>(
        ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(cli::HostShared)));
    if (!shared) return 66;

    cli::PluginProbe probe(job.options);
    Relay relay(out, *shared);
    probe.SetBeacon(&shared->beacon);
    probe.SetListener(&relay);
    cli::Report report;
    const cli::PluginProbe::Status status = probe.Run(job.plugin, job.files, report);
    relay.OnEnd(report, status, probe.LoadMessage());
    // Whatever the plugin left running, this process ends here.
    std::fflush(nullptr);
    ::ExitProcess(relay.Failed() ? 67 : 0);
}
