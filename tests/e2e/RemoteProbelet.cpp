#include "e2e/RemoteProbelet.h"

#include "res/resource.h"
#include "support/TestWindows.h"

#include <commctrl.h>

#include <cstdlib>

namespace e2e {

namespace {

const char kMainClass[] = "ProbeletMainWindowClass";
constexpr int kTextBytes = 4096;

// A block of memory inside the program: list-view and status-bar messages
// that take pointers only work across processes with pointers into it.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, size_t size) : m_process(process) {
        m_base = static_cast<char*>(
            ::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~RemoteMemory() {
        if (m_base) ::VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* At(size_t offset) const { return m_base ? m_base + offset : nullptr; }
    bool Write(size_t offset, const void* data, size_t size) const {
        return m_base && ::WriteProcessMemory(m_process, m_base + offset, data, size, nullptr);
    }
    bool Read(size_t offset, void* data, size_t size) const {
        return m_base && ::ReadProcessMemory(m_process, m_base + offset, data, size, nullptr);
    }

private:
    HANDLE m_process;
    char* m_base = nullptr;
};

struct FindContext {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* ctx = reinterpret_cast<FindContext*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == ctx->pid && lstrcmpA(cls, ctx->cls) == 0) ctx->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD pid, const char* cls) {
    FindContext ctx{pid, cls, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

DWORD TimeoutFromEnvironment() {
    char text[32] = "";
    const DWORD n = ::GetEnvironmentVariableA("PROBELET_E2E_TIMEOUT_MS", text, sizeof text);
    char* end = nullptr;
    const unsigned long ms = n > 0 && n < sizeof text ? std::strtoul(text, &end, 10) : 0;
    return ms > 0 && end && *end == '\0' ? static_cast<DWORD>(ms) : 8000;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return condition();
        ::Sleep(10);
    }
}

std::string ProbeletExe() {
    char dir[MAX_PATH] = "";
    if (::GetEnvironmentVariableA("PROBELET_BUILD_DIR", dir, MAX_PATH)) {
        // ctest hands over the build tree's Unix path; Wine resolves it on the current drive.
        char full[MAX_PATH] = "";
        if (::GetFullPathNameA(dir, MAX_PATH, full, nullptr)) {
            std::string exe = std::string(full) + "\\Probelet.exe";
            if (::GetFileAttributesA(exe.c_str()) != INVALID_FILE_ATTRIBUTES) return exe;
        }
    }
    return testsupport::ExeDir() + "\\Probelet.exe";
}

RemoteProbelet::~RemoteProbelet() {
    if (!m_pi.hProcess) return;
    if (Running()) {
        if (m_main) ::PostMessageA(m_main, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(m_pi.hProcess, 2000) != WAIT_OBJECT_0) {
            ::TerminateProcess(m_pi.hProcess, 1);
            ::WaitForSingleObject(m_pi.hProcess, kTimeoutMs);
        }
    }
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

bool RemoteProbelet::Start(const std::vector<std::string>& args, const std::string& workDir) {
    std::string commandLine = Quoted(ProbeletExe());
    for (const std::string& arg : args) commandLine += " " + Quoted(arg);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    // The environment is inherited: the test plugin finds its control block through it.
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si,
                          &m_pi))
        return false;
    ::WaitForInputIdle(m_pi.hProcess, kTimeoutMs);
    // Shown only once the frame is loaded and its initial update is done.
    return WaitUntil([this] {
        std::vector<HWND> mains = TopLevelWindows(m_pi.dwProcessId, kMainClass);
        m_main = mains.empty() ? nullptr : mains[0];
        return m_main && ::IsWindowVisible(m_main);
    });
}

bool RemoteProbelet::WaitStarted() {
    // The INI path replaces the indicator text as the last step of start-up.
    return WaitUntil([this] { return StatusBar() && StatusText(1) != "INI File" && Dialogs().empty(); }) && Sync();
}

bool RemoteProbelet::Sync() const {
    DWORD_PTR result = 0;
    return m_main && ::SendMessageTimeoutA(m_main, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result) != 0;
}

LRESULT RemoteProbelet::SendTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool* ok) const {
    DWORD_PTR result = 0;
    bool sent = hwnd && ::SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_NORMAL, kTimeoutMs, &result) != 0;
    if (ok) *ok = sent;
    return sent ? static_cast<LRESULT>(result) : 0;
}

HWND RemoteProbelet::Splitter() const { return m_main ? ::GetDlgItem(m_main, IDW_PANE_FIRST) : nullptr; }

HWND RemoteProbelet::FileList() const {
    HWND splitter = Splitter();
    return splitter ? ::GetDlgItem(splitter, IDW_PANE_FIRST) : nullptr;
}

HWND RemoteProbelet::InspectionView() const {
    HWND splitter = Splitter();
    return splitter ? ::GetDlgItem(splitter, IDW_PANE_FIRST + 1) : nullptr;
}

HWND RemoteProbelet::FieldList() const {
    HWND view = InspectionView();
    return view ? ::FindWindowExA(view, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
}

HWND RemoteProbelet::TabStrip() const {
    HWND view = InspectionView();
    return view ? ::FindWindowExA(view, nullptr, "CCustomTabCtrl", nullptr) : nullptr;
}

HWND RemoteProbelet::StatusBar() const { return m_main ? ::GetDlgItem(m_main, IDW_STATUS_BAR) : nullptr; }

HWND RemoteProbelet::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(m_pi.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

std::string RemoteProbelet::Title() const {
    char text[2048] = "";
    SendTimeout(m_main, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string RemoteProbelet::StatusText(int pane) const {
    HWND bar = StatusBar();
    RemoteMemory memory(m_pi.hProcess, kTextBytes);
    char text[kTextBytes] = "";
    if (LOWORD(SendTimeout(bar, SB_GETTEXTLENGTHA, pane, 0)) >= kTextBytes) return "<too long>";
    bool ok = false;
    SendTimeout(bar, SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(memory.At(0)), &ok);
    if (!ok || !memory.Read(0, text, sizeof text)) return "<unreadable>";
    text[kTextBytes - 1] = '\0';
    return text;
}

int RemoteProbelet::ItemCount(HWND list) const { return static_cast<int>(SendTimeout(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string RemoteProbelet::ItemText(HWND list, int item, int subItem) const {
    RemoteMemory memory(m_pi.hProcess, sizeof(LVITEMA) + kTextBytes);
    LVITEMA lvi{};
    lvi.iSubItem = subItem;
    lvi.pszText = memory.At(sizeof(LVITEMA));
    lvi.cchTextMax = kTextBytes;
    char text[kTextBytes] = "";
    if (!memory.Write(0, &lvi, sizeof lvi)) return "<unreadable>";
    bool ok = false;
    SendTimeout(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(memory.At(0)), &ok);
    if (!ok || !memory.Read(sizeof(LVITEMA), text, sizeof text)) return "<unreadable>";
    text[kTextBytes - 1] = '\0';
    return text;
}

std::vector<std::string> RemoteProbelet::Files() const {
    std::vector<std::string> files;
    HWND list = FileList();
    for (int i = 0, n = ItemCount(list); i < n; ++i) files.push_back(ItemText(list, i, 0));
    return files;
}

int RemoteProbelet::SelectedFile() const {
    return static_cast<int>(SendTimeout(FileList(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<std::vector<std::string>> RemoteProbelet::Rows() const {
    std::vector<std::vector<std::string>> rows;
    HWND list = FieldList();
    for (int i = 0, n = ItemCount(list); i < n; ++i) {
        std::vector<std::string> row;
        for (int column = 0; column < 4; ++column) row.push_back(ItemText(list, i, column));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> RemoteProbelet::FieldNames() const {
    std::vector<std::string> names;
    for (const auto& row : Rows()) names.push_back(row[0]);
    return names;
}

bool RemoteProbelet::PressKey(UINT vk, HWND target) {
    if (!target) target = Focus();
    if (!target) return false;
    const LPARAM keyData = MAKELPARAM(1, ::MapVirtualKeyA(vk, 0));
    return ::PostMessageA(target, WM_KEYDOWN, vk, keyData) && WaitPostedHandled();
}

bool RemoteProbelet::ClickClient(HWND w, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    return w && ::PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, at) && ::PostMessageA(w, WM_LBUTTONUP, 0, at) &&
           WaitPostedHandled();
}

bool RemoteProbelet::WaitPostedHandled() const {
    HWND list = FileList();
    if (!list) return false;
    // A sent message would overtake what was posted. A posted one is handled
    // after it, and its effect is visible: the list's hover time.
    const UINT marker = ++m_marker;
    if (!::PostMessageA(list, LVM_SETHOVERTIME, 0, marker)) return false;
    return WaitUntil([&] { return static_cast<UINT>(SendTimeout(list, LVM_GETHOVERTIME, 0, 0)) == marker; }) &&
           Sync();
}

COLORREF RemoteProbelet::ScreenPixel(HWND w, int x, int y) const {
    POINT at{x, y};
    if (!w || !::ClientToScreen(w, &at)) return CLR_INVALID;
    HDC screen = ::GetDC(nullptr);
    if (!screen) return CLR_INVALID;
    const COLORREF color = ::GetPixel(screen, at.x, at.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

std::string RemoteProbelet::TabTip(HWND strip, int toolId) const {
    constexpr size_t kChars = 1025;  // the most a tooltip keeps, and the terminator
    RemoteMemory memory(m_pi.hProcess, sizeof(TTTOOLINFOA) + kChars * sizeof(wchar_t));
    // The ANSI and wide records differ only in the type of the text pointer.
    TTTOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = strip;
    ti.uId = static_cast<UINT_PTR>(static_cast<INT_PTR>(toolId));
    auto ask = [&](HWND tips, UINT msg, void* text, size_t bytes) {
        const wchar_t none = L'\0';
        bool ok = memory.Write(0, &ti, sizeof ti) && memory.Write(sizeof ti, &none, sizeof none);
        if (ok) SendTimeout(tips, msg, kChars, reinterpret_cast<LPARAM>(memory.At(0)), &ok);
        return ok && memory.Read(sizeof ti, text, bytes);
    };
    for (HWND tips : TopLevelWindows(m_pi.dwProcessId, TOOLTIPS_CLASSA)) {
        ti.lpszText = nullptr;
        if (!memory.Write(0, &ti, sizeof ti) ||
            !SendTimeout(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(memory.At(0))))
            continue;
        ti.lpszText = memory.At(sizeof ti);
        char text[kChars * 2] = "";
        // The ANSI message returns at most 80 bytes under Wine; the wide one all.
        wchar_t wide[kChars] = L"";
        if (ask(tips, TTM_GETTEXTW, wide, sizeof wide) && wide[0]) {
            wide[kChars - 1] = L'\0';
            ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        } else {
            ask(tips, TTM_GETTEXTA, text, kChars);
        }
        text[sizeof text - 1] = '\0';
        return text;
    }
    return "";
}

bool RemoteProbelet::Command(UINT id) const {
    bool ok = false;
    SendTimeout(m_main, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(::GetDlgItem(m_main, IDW_TOOLBAR)),
                &ok);
    return ok;
}

bool RemoteProbelet::PostCommand(UINT id) const {
    return ::PostMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, 0),
                          reinterpret_cast<LPARAM>(::GetDlgItem(m_main, IDW_TOOLBAR))) != 0;
}

std::vector<HWND> RemoteProbelet::Dialogs() const { return TopLevelWindows(m_pi.dwProcessId, "#32770"); }

HWND RemoteProbelet::WaitForMessageBox(DWORD timeoutMs) const {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND dialog : Dialogs())
                if (::GetDlgItem(dialog, 0xFFFF)) box = dialog;
            return box != nullptr;
        },
        timeoutMs);
    return box;
}

std::string RemoteProbelet::BoxText(HWND box) { return Text(::GetDlgItem(box, 0xFFFF)); }

HWND RemoteProbelet::WaitForFileNameEdit(DWORD timeoutMs) const {
    HWND edit = nullptr;
    WaitUntil(
        [&] {
            for (HWND dialog : Dialogs()) {
                // The explorer-style dialog's file name: the edit inside combo box
                // cmb13 (Wine nests it in an extended combo box).
                HWND inner = nullptr;
                for (HWND w = ::GetDlgItem(dialog, 0x47C); w && !inner; w = ::GetWindow(w, GW_CHILD)) {
                    char cls[32] = "";
                    ::GetClassNameA(w, cls, sizeof cls);
                    if (lstrcmpiA(cls, "Edit") == 0) inner = w;
                }
                if (inner && ::IsWindowVisible(dialog)) edit = inner;
            }
            return edit != nullptr;
        },
        timeoutMs);
    return edit;
}

std::string RemoteProbelet::Text(HWND hwnd) {
    char text[kTextBytes] = "";
    DWORD_PTR result = 0;
    if (!hwnd || !::SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                                        kTimeoutMs, &result))
        return "<no text>";
    return text;
}

bool RemoteProbelet::SetText(HWND hwnd, const std::string& text) {
    DWORD_PTR result = 0;
    return hwnd && ::SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                                         kTimeoutMs, &result) &&
           result;
}

std::string RemoteProbelet::Caption(HWND box) {
    char text[256] = "";
    ::GetWindowTextA(box, text, sizeof text);
    return text;
}

bool RemoteProbelet::Answer(HWND box, int buttonId) {
    HWND button = ::GetDlgItem(box, buttonId);
    if (!button) return false;
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return WaitUntil([box] { return !::IsWindow(box); });
}

std::vector<std::string> RemoteProbelet::AnswerAll(int buttonId) {
    std::vector<std::string> texts;
    for (int guard = 0; guard < 20; ++guard) {
        // The thread answers a sent message only in a message loop: the main
        // one when start-up or the command is over, or a box's own.
        if (!Sync()) break;
        std::vector<HWND> boxes = Dialogs();
        if (boxes.empty()) {
            if (!Sync()) break;
            boxes = Dialogs();
            if (boxes.empty()) break;
        }
        texts.push_back(BoxText(boxes[0]));
        if (!Answer(boxes[0], buttonId)) break;
    }
    return texts;
}

bool RemoteProbelet::Close(DWORD* exitCode) {
    if (!m_main || !::PostMessageA(m_main, WM_CLOSE, 0, 0)) return false;
    if (::WaitForSingleObject(m_pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return false;
    return ::GetExitCodeProcess(m_pi.hProcess, exitCode) != 0;
}

bool RemoteProbelet::WaitExit(DWORD* exitCode) const {
    if (!m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, kTimeoutMs) != WAIT_OBJECT_0) return false;
    return ::GetExitCodeProcess(m_pi.hProcess, exitCode) != 0;
}

bool RemoteProbelet::MenuCommand(UINT id) const {
    return m_main && ::PostMessageA(m_main, WM_COMMAND, MAKEWPARAM(id, 0), 0) != 0;
}

bool RemoteProbelet::Running() const {
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace e2e
