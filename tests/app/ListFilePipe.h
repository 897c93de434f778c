// A list file that breaks off: a named pipe whose server writes some lines and
// then drops the connection while the reader waits for more, so that the
// reader's next ReadFile fails the way a failing disk read does.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

namespace testsupport {

class BreakingListFile {
public:
    explicit BreakingListFile(std::string content) : m_content(std::move(content)) {
        static unsigned counter = 0;
        m_path = "\\\\.\\pipe\\probelet-list-" + std::to_string(::GetCurrentProcessId()) + "-" +
                 std::to_string(++counter);
        m_pipe = ::CreateNamedPipeA(m_path.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536,
                                    0, nullptr);
        m_thread = std::thread([this] { Serve(); });
    }
    ~BreakingListFile() {
        // A reader that never came: connect so that the server stops waiting.
        if (!m_connected) {
            HANDLE h = ::CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
        }
        m_thread.join();
        ::CloseHandle(m_pipe);
    }
    const std::string& Path() const { return m_path; }
    bool Valid() const { return m_pipe != INVALID_HANDLE_VALUE; }

private:
    void Serve() {
        if (m_pipe == INVALID_HANDLE_VALUE) return;
        bool ok = ::ConnectNamedPipe(m_pipe, nullptr) || ::GetLastError() == ERROR_PIPE_CONNECTED;
        m_connected = true;
        if (!ok) return;
        DWORD written = 0;
        ::WriteFile(m_pipe, m_content.data(), static_cast<DWORD>(m_content.size()), &written, nullptr);
        ::FlushFileBuffers(m_pipe);  // returns once the reader has taken everything
        ::DisconnectNamedPipe(m_pipe);
    }
    std::string m_content;
    std::string m_path;
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    std::atomic<bool> m_connected{false};
    std::thread m_thread;
};

}  // namespace testsupport
