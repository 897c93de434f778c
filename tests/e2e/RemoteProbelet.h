// Drives a real Probelet.exe from this process, as a user would: starts it
// with a command line, reads its windows (title, status bar, file list,
// field rows, focus) and presses its keys, commands and message-box buttons.
// Every wait is bounded, so a program that hangs fails the test instead.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Milliseconds in PROBELET_E2E_TIMEOUT_MS, else 8000.
DWORD TimeoutFromEnvironment();

// How long any one thing may take before the test gives up on it; slow
// machines raise it through the environment (read once).
inline const DWORD kTimeoutMs = TimeoutFromEnvironment();

// Polls until the condition holds or the time is up; the last answer.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);

// Probelet.exe of this build tree: PROBELET_BUILD_DIR, else beside the test program.
std::string ProbeletExe();

class RemoteProbelet {
public:
    RemoteProbelet() = default;
    ~RemoteProbelet();  // ends the process if it still runs
    RemoteProbelet(const RemoteProbelet&) = delete;
    RemoteProbelet& operator=(const RemoteProbelet&) = delete;

    // Starts the program with these arguments (each quoted) and waits for its
    // main window. Start-up may still be inside a message box then.
    bool Start(const std::vector<std::string>& args, const std::string& workDir);
    // Waits until start-up has ended: the status bar's INI pane no longer
    // shows its indicator text and no message box is up.
    bool WaitStarted();
    // The user interface thread is back in a message loop; false on timeout.
    bool Sync() const;

    HWND Main() const { return m_main; }
    HWND FileList() const;
    HWND FieldList() const;
    HWND StatusBar() const;
    // The inspection view's tab strip.
    HWND TabStrip() const;
    // The window with the keyboard focus in the program's thread.
    HWND Focus() const;

    std::string Title() const;
    std::string StatusText(int pane) const;
    std::vector<std::string> Files() const;
    int SelectedFile() const;
    // The field rows: Field, Type, Time(ms), Value.
    std::vector<std::vector<std::string>> Rows() const;
    std::vector<std::string> FieldNames() const;

    // Posts the key to target (by default the focused window) and waits
    // until it has been handled.
    bool PressKey(UINT vk, HWND target = nullptr);
    // A left click at client coordinates of w, posted as the mouse sends it;
    // returns once it has been handled.
    bool ClickClient(HWND w, int x, int y);
    // The colour shown on the screen at client coordinates of w, or
    // CLR_INVALID. What a window paints reaches the screen a little later: poll.
    COLORREF ScreenPixel(HWND w, int x, int y) const;
    // The text of one tool of the strip's tooltip control; empty without one.
    std::string TabTip(HWND strip, int toolId) const;

    // A toolbar command, sent as the toolbar sends it; returns once handled.
    bool Command(UINT id) const;
    // A command whose answer is modal (a dialog): posted, so it returns at once.
    bool PostCommand(UINT id) const;

    // The program's dialog windows ("#32770") now, visible or still being shown.
    std::vector<HWND> Dialogs() const;
    // Waits for a message box and returns it, or null.
    HWND WaitForMessageBox(DWORD timeoutMs = kTimeoutMs) const;
    static std::string BoxText(HWND box);
    static std::string Caption(HWND box);
    // Presses the box's button and waits until the box is gone.
    static bool Answer(HWND box, int buttonId);
    // Answers every box that comes up until the program is idle without one;
    // returns the texts in order.
    std::vector<std::string> AnswerAll(int buttonId);

    // The file-open dialog's file-name edit once the dialog is up, or null.
    HWND WaitForFileNameEdit(DWORD timeoutMs = kTimeoutMs) const;
    // Window text through the (marshalled) WM_GETTEXT / WM_SETTEXT.
    static std::string Text(HWND hwnd);
    static bool SetText(HWND hwnd, const std::string& text);

    // WM_CLOSE to the main window; waits for the process to end.
    bool Close(DWORD* exitCode);
    // Waits for the process to end by itself.
    bool WaitExit(DWORD* exitCode) const;
    // A menu command, posted as the menu sends it (lParam 0).
    bool MenuCommand(UINT id) const;
    bool Running() const;
    DWORD ProcessId() const { return m_pi.dwProcessId; }

private:
    // List-view text of one cell, read through memory of the program.
    std::string ItemText(HWND list, int item, int subItem) const;
    int ItemCount(HWND list) const;
    LRESULT SendTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool* ok = nullptr) const;
    HWND Splitter() const;
    HWND InspectionView() const;
    // Waits until the messages posted so far to the program have been handled.
    bool WaitPostedHandled() const;

    PROCESS_INFORMATION m_pi{};
    HWND m_main = nullptr;
    mutable UINT m_marker = 1000;
};

}  // namespace e2e
