#include "cli/HostProcess.h"

#include "cli/LeftoverChecks.h"

#include <atomic>
#include <new>
#include <vector>

namespace cli {

namespace {

// How often the watchdog looks at the call in progress: the limit is kept
// to within this.
constexpr DWORD kWatchPeriodMs = 20;
// The exit code the watchdog ends the child with (the parent knows why).
constexpr UINT kEndedByWatchdog = 0xDEAD;
// Room for many files' messages: the child rarely waits for us to read.
constexpr DWORD kMessagePipeSize = 1 << 20;
// No message is larger than the rows of a file and its problems can be.
constexpr uint32_t kMaxMessage = 1u << 30;

std::string Win32Error(const char* what) {
    return std::string(what) + " (error " + std::to_string(::GetLastError()) + ")";
}

// false when the child died already: Next() and Finish() tell.
bool WriteAll(HANDLE pipe, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!::WriteFile(pipe, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr))
            return false;
        done += written;
    }
    return true;
}

}  // namespace

HostProcess::~HostProcess() {
    if (m_process) {
        ::TerminateProcess(m_process.get(), kEndedByWatchdog);
        ::WaitForSingleObject(m_process.get(), 5000);
    }
    StopWatching();
    // Copies a plugin held open until its process ended, which --check made there.
    if (m_pid) RemoveCheckFolder(m_pid);
}

bool HostProcess::Start(const std::wstring& exe, const HostJob& job, unsigned timeoutMs, std::string& error,
                        bool serve) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE jobRead = nullptr, jobWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!::CreatePipe(&jobRead, &jobWrite, &inherit, 0)) {
        error = Win32Error("cannot create a pipe");
        return false;
    }
    Handle childJob(jobRead), ourJob(jobWrite);
    if (!::CreatePipe(&outRead, &outWrite, &inherit, kMessagePipeSize)) {
        error = Win32Error("cannot create a pipe");
        return false;
    }
    m_out.reset(outRead);
    Handle childOut(outWrite);
    ::SetHandleInformation(ourJob.get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(m_out.get(), HANDLE_FLAG_INHERIT, 0);

    m_mapping.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0,
                                         static_cast<DWORD>(sizeof(HostShared)), nullptr));
    void* view = m_mapping ? ::MapViewOfFile(m_mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(HostShared)) : nullptr;
    if (!view) {
        error = Win32Error("cannot create the memory shared with the plugin's process");
        return false;
    }
    m_shared.reset(new (view) HostShared());

    // What the plugin prints goes where our messages go, never into the report.
    HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    Handle childErr;
    if (err && err != INVALID_HANDLE_VALUE) {
        HANDLE copy = nullptr;
        if (::DuplicateHandle(::GetCurrentProcess(), err, ::GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
            childErr.reset(copy);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = childErr.get();
    si.hStdError = childErr.get();
    auto number = [](HANDLE h) { return std::to_wstring(reinterpret_cast<uintptr_t>(h)); };
    std::wstring commandLine = L"\"" + exe + L"\" " + number(childJob.get()) + L" " + number(childOut.get()) + L" " +
                               number(m_mapping.get()) + (serve ? L" serve" : L"");
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), writable.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                          &si, &pi)) {
        error = Win32Error("cannot start the plugin's process");
        return false;
    }
    m_process.reset(pi.hProcess);
    m_pid = pi.dwProcessId;
    Handle thread(pi.hThread);
    // Ended with us, however we end; where job objects are not to be had the
    // destructor still ends it.
    m_job.reset(::CreateJobObjectA(nullptr, nullptr));
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        ::SetInformationJobObject(m_job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
        ::AssignProcessToJobObject(m_job.get(), m_process.get());
    }
    ::ResumeThread(thread.get());
    childJob.reset();
    childOut.reset();  // the pipe ends when the child's copy closes

    m_stop.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_watchdog = std::thread([this, timeoutMs] { Watch(timeoutMs); });

    WireWriter w;
    Put(w, job);
    if (serve) {
        m_requests = std::move(ourJob);
        Send(w.Bytes());
    } else {
        WriteAll(ourJob.get(), w.Bytes());
    }
    return true;
}

bool HostProcess::Send(const std::string& bytes) {
    // One write: under Wine each is a call to the server, which a fuzzing run makes for every input.
    WireWriter framed;
    framed.U32(static_cast<uint32_t>(bytes.size()));
    std::string whole = framed.Bytes() + bytes;
    return m_requests && WriteAll(m_requests.get(), whole);
}

void HostProcess::EndRequests() { m_requests.reset(); }

void HostProcess::Watch(unsigned timeoutMs) {
    const HANDLE waits[] = {m_process.get(), m_stop.get()};
    // A call that does not end, or (rarer) a process that stops between
    // calls or on its way out, say because a plugin's thread holds a lock
    // it needs: either way nothing changes for the whole limit.
    LONG seenSequence = -1, seenInCall = -1;
    ULONGLONG since = ::GetTickCount64();
    for (;;) {
        if (::WaitForMultipleObjects(2, waits, FALSE, kWatchPeriodMs) != WAIT_TIMEOUT) return;
        if (timeoutMs == 0) continue;
        const wdx::CallBeacon& beacon = m_shared->beacon;
        // Waiting for its next file, the child runs none of the plugin's code.
        if (m_shared->waiting) {
            since = ::GetTickCount64();
            continue;
        }
        const LONG sequence = beacon.sequence;
        const LONG inCall = beacon.inCall;
        const ULONGLONG now = ::GetTickCount64();
        if (sequence != seenSequence || inCall != seenInCall) {
            seenSequence = sequence;
            seenInCall = inCall;
            since = now;
            continue;
        }
        if (now - since < timeoutMs) continue;
        std::atomic_thread_fence(std::memory_order_acquire);
        m_timedOutEntry.assign(beacon.entryPoint, strnlen(beacon.entryPoint, sizeof beacon.entryPoint));
        m_timedOutField = beacon.field;
        m_timedOutInCall = inCall != 0;
        m_timedOut = true;
        ::TerminateProcess(m_process.get(), kEndedByWatchdog);
        return;
    }
}

void HostProcess::StopWatching() {
    if (m_stop) ::SetEvent(m_stop.get());
    if (m_watchdog.joinable()) m_watchdog.join();
}

bool HostProcess::Next(HostMessage& kind, std::string& body) {
    char chunk[64 * 1024];
    for (;;) {
        if (m_buffer.size() >= 8) {
            WireReader head(m_buffer.data(), 8);
            uint32_t length = 0, tag = 0;
            head.U32(length);
            head.U32(tag);
            if (length < 4 || length > kMaxMessage) {
                Reject();
                return false;
            }
            if (m_buffer.size() >= 4 + static_cast<size_t>(length)) {
                kind = static_cast<HostMessage>(tag);
                body.assign(m_buffer, 8, length - 4);
                m_buffer.erase(0, 4 + static_cast<size_t>(length));
                return true;
            }
        }
        DWORD read = 0;
        if (!::ReadFile(m_out.get(), chunk, sizeof chunk, &read, nullptr) || read == 0) return false;
        m_buffer.append(chunk, read);
    }
}

void HostProcess::End() {
    if (m_process) ::TerminateProcess(m_process.get(), kEndedByWatchdog);
}

void HostProcess::Reject() {
    m_rejected = true;
    End();
}

HostProcess::Ending HostProcess::LastMessage() const {
    if (m_rejected) return Ending::Unreadable;
    return m_buffer.empty() ? Ending::Whole : Ending::CutShort;
}

DWORD HostProcess::Finish() {
    ::WaitForSingleObject(m_process.get(), INFINITE);
    StopWatching();
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.get(), &code);
    m_process.reset();
    return code;
}

}  // namespace cli
