#include "support/TestWindows.h"
#include "framework/StandardIds.h"

#include <algorithm>
#include <cstdio>

namespace testsupport {

namespace {
const char kParentClass[] = "ProbeletTestParent";
}

RecordingParent::RecordingParent(int clientWidth, int clientHeight) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kParentClass;
    fw::RegisterWindowClass(wc);
    RECT rc{0, 0, clientWidth, clientHeight};
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    ::AdjustWindowRect(&rc, style, FALSE);
    RECT place{50, 50, 50 + rc.right - rc.left, 50 + rc.bottom - rc.top};
    CreateEx(0, kParentClass, "test parent", style | WS_VISIBLE, place, nullptr, 0);
}

LRESULT RecordingParent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NOTIFY) {
        auto* nm = reinterpret_cast<const NMHDR*>(lParam);
        Notification n{nm->idFrom, nm->code, {}};
        const auto* p = reinterpret_cast<const unsigned char*>(nm);
        n.bytes.assign(p, p + notifySize);
        notifications.push_back(std::move(n));
        if (onNotify) return onNotify(nm);
    }
    if (msg == WM_KEYDOWN) {
        keys.push_back(wParam);
        return 0;
    }
    return fw::Window::WindowProc(msg, wParam, lParam);
}

fw::ViewArgs PaneArgs(HWND parent, int width, int height) {
    fw::ViewArgs args;
    args.parent = parent;
    args.id = IDW_PANE_FIRST;
    args.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    args.rect = RECT{0, 0, width, height};
    return args;
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

MessageBoxWatcher::MessageBoxWatcher(int answer, std::function<void(HWND box)> inspect)
    : m_answer(answer), m_inspect(std::move(inspect)), m_thread([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<std::string> MessageBoxWatcher::Texts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

void MessageBoxWatcher::Run() {
    const DWORD pid = ::GetCurrentProcessId();
    // Boxes answered but not yet destroyed: a busy UI thread may keep one up
    // for long after the click was posted, and it must not count twice.
    std::vector<HWND> answered;
    while (!m_stop) {
        answered.erase(std::remove_if(answered.begin(), answered.end(), [](HWND w) { return !::IsWindow(w); }),
                       answered.end());
        HWND box = nullptr;
        while ((box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(box, &owner);
            if (owner != pid || !::IsWindowVisible(box)) continue;
            if (std::find(answered.begin(), answered.end(), box) != answered.end()) continue;
            answered.push_back(box);
            char text[2048] = "";
            ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_texts.emplace_back(text);
            }
            if (m_inspect) m_inspect(box);
            ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(m_answer, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(box, m_answer)));
        }
        ::Sleep(5);
    }
}

TempDir::TempDir() {
    char base[MAX_PATH];
    ::GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%sprobelet-%lu-%u", base, ::GetCurrentProcessId(), ++counter);
        if (::CreateDirectoryA(name, nullptr)) {
            m_path = name;
            break;
        }
    }
}

static void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string full = dir + "\\" + n;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(full.c_str());
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

TempDir::~TempDir() { RemoveTree(m_path); }

std::string TempDir::Write(const std::string& name, const std::string& content) const {
    std::string full = m_path + "\\" + name;
    HANDLE h = ::CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(h);
    }
    return full;
}

std::string ExeDir() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\'));
}

}  // namespace testsupport
