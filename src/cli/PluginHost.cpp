// probelet-host32.exe and probelet-host64.exe: run one plugin for
// probelet-cli in a process of their own, so that a plugin that never
// returns, or takes its process down, ends this process and not
// probelet-cli. The same probe as in-process, file by file back over a pipe.
//   probelet-hostNN.exe JOB OUT SHARED   (inherited handles, as numbers)
#include "cli/HostChannel.h"
#include "cli/SystemText.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

cli::HostShared* g_shared = nullptr;

// A fault no guard catches (on a thread the plugin started, say) ends the
// process with its code, at once: no debugger, no box waiting for a click.
// Where it was raised is left for the parent, which counts causes by it.
LONG WINAPI EndWithCode(EXCEPTION_POINTERS* info) {
    if (g_shared)
        cli::AddressText(reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress), g_shared->crashAt,
                         sizeof g_shared->crashAt);
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
        // The parent keeps what was sent; a fuzzing run goes on for millions of files.
        m_hadProblems = m_hadProblems || !report.problems.empty();
        report.problems.clear();
        m_problemsSent = 0;
        Send(cli::HostMessage::File, m);
        m_shared.EndFile();
    }
    void OnEnd(cli::Report& report, cli::PluginProbe::Status status, const std::string& loadMessage) {
        cli::EndMessage m;
        // Problems sent with the files count too.
        const bool earlier = status == cli::PluginProbe::Status::Ok && m_hadProblems;
        m.status = static_cast<uint32_t>(earlier ? cli::PluginProbe::Status::Problems : status);
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
    bool m_hadProblems = false;
    bool m_failed = false;
};

}  // namespace

// Serving: a length, then that many bytes; false at the end of the pipe.
// Read as much as is there each time: the parent queues several files ahead,
// and under Wine every read is a call to the server.
class FramedReader {
public:
    explicit FramedReader(HANDLE pipe) : m_pipe(pipe) {}

    bool Next(std::string& out) {
        for (;;) {
            if (m_buffer.size() - m_at >= 4) {
                const auto* head = reinterpret_cast<const unsigned char*>(m_buffer.data() + m_at);
                const uint32_t length = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
                if (length > (64u << 20)) return false;
                if (m_buffer.size() - m_at - 4 >= length) {
                    out.assign(m_buffer, m_at + 4, length);
                    m_at += 4 + static_cast<size_t>(length);
                    return true;
                }
            }
            m_buffer.erase(0, m_at);
            m_at = 0;
            char chunk[16 * 1024];
            DWORD read = 0;
            if (!::ReadFile(m_pipe, chunk, sizeof chunk, &read, nullptr) || read == 0) return false;
            m_buffer.append(chunk, read);
        }
    }

private:
    HANDLE m_pipe;
    std::string m_buffer;
    size_t m_at = 0;
};

int main(int argc, char** argv) {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(EndWithCode);
    // "serve": the files come one by one after the job, until the parent closes the pipe.
    const bool serve = argc == 5 && std::strcmp(argv[4], "serve") == 0;
    if (argc != 4 && !serve) return 64;
    const HANDLE jobPipe = HandleArgument(argv[1]);
    const HANDLE out = HandleArgument(argv[2]);
    const HANDLE mapping = HandleArgument(argv[3]);
    if (!jobPipe || !out || !mapping) return 64;

    std::string bytes;
    cli::HostJob job;
    FramedReader requests(jobPipe);
    const bool read = serve ? requests.Next(bytes) : ReadAll(jobPipe, bytes);
    if (!serve) ::CloseHandle(jobPipe);
    cli::WireReader reader(bytes.data(), bytes.size());
    if (!read || !cli::Get(reader, job)) return 65;
    auto* shared = static_cast<cli::HostShared*>(
        ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(cli::HostShared)));
    if (!shared) return 66;
    g_shared = shared;

    cli::PluginProbe probe(job.options);
    Relay relay(out, *shared);
    probe.SetBeacon(&shared->beacon);
    probe.SetListener(&relay);
    cli::Report report;
    cli::PluginProbe::Status status;
    if (serve) {
        status = probe.RunEach(job.plugin, [&](std::string& file) {
            shared->waiting = 1;
            const bool more = requests.Next(file);
            shared->waiting = 0;
            return more;
        }, report);
    } else {
        status = probe.Run(job.plugin, job.files, report);
    }
    relay.OnEnd(report, status, probe.LoadMessage());
    // Whatever the plugin left running, this process ends here.
    std::fflush(nullptr);
    ::ExitProcess(relay.Failed() ? 67 : 0);
}
