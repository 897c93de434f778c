// One run of a host program for probelet-cli: the process, in a job object
// that ends it with us; the pipes; the memory shared with it; and a watchdog
// that ends it when a plugin call outlasts the time limit.
#pragma once

#include "cli/HostChannel.h"

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

namespace cli {

class HostProcess {
public:
    HostProcess() = default;
    ~HostProcess();  // ends the process if it still runs
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts exe and hands it the job; false with the reason when it cannot.
    // timeoutMs bounds every plugin call (0: no bound). serve: the job's
    // files are none; they come one by one through Send(), and the child
    // goes on until EndRequests().
    bool Start(const std::wstring& exe, const HostJob& job, unsigned timeoutMs, std::string& error,
               bool serve = false);
    // serve: the next file's path (UTF-8); false when the child is gone.
    bool Send(const std::string& path);
    void EndRequests();
    // The next message; false once the child has closed its end (it exited,
    // died or was ended) or sent what is no message.
    bool Next(HostMessage& kind, std::string& body);
    // After Next() answered false: waits for the process; its exit code.
    DWORD Finish();
    // Ends the process now: what it sends can no longer be trusted.
    void End();
    // Ends it for a message that does not read back.
    void Reject();
    // After Next() answered false: how the messages ended.
    enum class Ending { Whole, CutShort, Unreadable };
    Ending LastMessage() const;

    // The watchdog ended the process: the call in progress then.
    bool TimedOut() const { return m_timedOut; }
    const std::string& TimedOutEntry() const { return m_timedOutEntry; }
    int TimedOutField() const { return m_timedOutField; }
    // false: the process stopped between calls; the entry point is the last one called.
    bool TimedOutInCall() const { return m_timedOutInCall; }
    // Valid from Start() on, also after the process has ended.
    const HostShared& Shared() const { return *m_shared; }

private:
    struct HandleClose {
        void operator()(HANDLE h) const {
            if (h && h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        }
    };
    using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleClose>;
    struct ViewUnmap {
        void operator()(HostShared* view) const {
            if (view) ::UnmapViewOfFile(view);
        }
    };

    void Watch(unsigned timeoutMs);
    void StopWatching();

    Handle m_job;
    Handle m_process;
    DWORD m_pid = 0;
    Handle m_out;      // our end of the child's messages
    Handle m_requests; // serve: our end of the job pipe, kept for the files
    Handle m_mapping;
    Handle m_stop;     // tells the watchdog to end
    std::unique_ptr<HostShared, ViewUnmap> m_shared;
    std::thread m_watchdog;
    std::string m_buffer;
    bool m_rejected = false;
    bool m_timedOut = false;
    std::string m_timedOutEntry;
    int m_timedOutField = -1;
    bool m_timedOutInCall = false;
};

}  // namespace cli
