// Helpers for tests that need real windows: a plain top-level parent that
// records the WM_NOTIFY and WM_KEYDOWN it receives, message pumping, and a
// watcher that answers the message boxes the code under test shows.
#pragma once

#include "framework/View.h"
#include "framework/Window.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A visible top-level window that records what its children tell it.
class RecordingParent : public fw::Window {
public:
    struct Notification {
        UINT_PTR idFrom;
        UINT code;
        std::vector<unsigned char> bytes;  // the whole record, as sent
    };

    // Creates the window with the given client size.
    explicit RecordingParent(int clientWidth = 400, int clientHeight = 300);

    std::vector<Notification> notifications;
    std::vector<WPARAM> keys;  // WM_KEYDOWN wParams
    // Bytes of the notification record to keep (the record's full size).
    size_t notifySize = sizeof(NMHDR);
    // Reply to WM_NOTIFY.
    std::function<LRESULT(const NMHDR*)> onNotify;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// A bordered, visible child list of the given parent at (0, 0), with the
// id the frame gives its first pane.
fw::ViewArgs PaneArgs(HWND parent, int width = 300, int height = 200);

// Handles every message waiting for this thread.
void PumpMessages();

// Answers the message boxes ("#32770" windows) of this process from another
// thread: records each box's text and presses the chosen button, once per
// box however long a busy thread keeps it up afterwards. `inspect`, when
// given, looks at each box (on the watcher's thread) before it is answered.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(int answer = IDOK, std::function<void(HWND box)> inspect = nullptr);
    ~MessageBoxWatcher();
    std::vector<std::string> Texts();

private:
    void Run();
    int m_answer;
    std::function<void(HWND)> m_inspect;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_texts;
    std::thread m_thread;
};

// A fresh empty directory under the system's temp folder, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& Path() const { return m_path; }
    // Writes a file (binary) and returns its full path.
    std::string Write(const std::string& name, const std::string& content) const;

private:
    std::string m_path;
};

// The directory of the running test program (where plugins and tools are built).
std::string ExeDir();

}  // namespace testsupport
