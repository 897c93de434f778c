#include "framework/Window.h"

#include <unordered_map>

namespace fw {

namespace {

// Window objects by handle. A window property would do, but under Wine every
// property read is a server round trip, and this lookup runs for each message.
// Windows belong to the thread that made them, so each thread keeps its own map.
thread_local std::unordered_map<HWND, Window*> t_windows;

// The object waiting for its window while CreateWindowEx runs on this thread.
thread_local Window* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;

}  // namespace

Window::~Window() {
    // A window outliving its object would call into freed memory: take it down.
    if (m_hwnd) {
        HWND hwnd = m_hwnd;
        Detach();
        ::DestroyWindow(hwnd);
    }
}

bool Window::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                      const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* createParam) {
    return CreateEx(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, idOrMenu, createParam);
}

bool Window::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                      int y, int cx, int cy, HWND parent, UINT_PTR idOrMenu, void* createParam) {
    if (m_hwnd) return false;
    Window* outer = t_creating;
    HHOOK outerHook = t_hook;
    t_creating = this;
    t_hook = ::SetWindowsHookExA(WH_CBT, CreationHook, nullptr, ::GetCurrentThreadId());
    HWND hwnd = ::CreateWindowExA(exStyle, className, title ? title : "", style, x, y, cx, cy, parent,
                                  reinterpret_cast<HMENU>(idOrMenu), ::GetModuleHandleA(nullptr),
                                  createParam);
    if (t_hook) ::UnhookWindowsHookEx(t_hook);
    t_hook = outerHook;
    // The hook missed the window (it should not): attach afterwards.
    if (hwnd && t_creating == this && !m_hwnd) Attach(hwnd);
    t_creating = outer;
    if (!hwnd) {
        if (m_hwnd) Detach();
        return false;
    }
    return m_hwnd == hwnd;
}

LRESULT CALLBACK Window::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    HHOOK hook = t_hook;
    if (code == HCBT_CREATEWND && t_creating) {
        Window* w = t_creating;
        t_creating = nullptr;  // only the outermost window of this CreateEx is ours
        w->Attach(reinterpret_cast<HWND>(wParam));
        t_creating = nullptr;
        return ::CallNextHookEx(hook, code, wParam, lParam);
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

bool Window::SubclassWindow(HWND hwnd) {
    if (m_hwnd || !hwnd || FromHandle(hwnd)) return false;
    Attach(hwnd);
    return true;
}

void Window::Attach(HWND hwnd) {
    m_hwnd = hwnd;
    t_windows[hwnd] = this;
    m_prevProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StaticWndProc)));
    PreSubclassWindow();
}

void Window::Detach() {
    if (!m_hwnd) return;
    if (m_prevProc) ::SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_prevProc));
    t_windows.erase(m_hwnd);
    m_hwnd = nullptr;
}

void Window::DestroyWindow() {
    if (m_hwnd) ::DestroyWindow(m_hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = t_windows.find(hwnd);
    return it == t_windows.end() ? nullptr : it->second;
}

std::string Window::GetText() const {
    int n = ::GetWindowTextLengthA(m_hwnd);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(m_hwnd, &s[0], n + 1);
    s.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return s;
}

RECT Window::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hwnd, &rc);
    return rc;
}

LRESULT Window::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = m_prevProc ? m_prevProc : ::DefWindowProcA;
    return ::CallWindowProcA(proc, m_hwnd, msg, wParam, lParam);
}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lParam);
        if (Window* child = nm ? FromHandle(nm->hwndFrom) : nullptr) {
            LRESULT result = 0;
            if (child->OnReflectedNotify(nm, &result)) return result;
        }
        break;
    }
    case WM_COMMAND:
        if (lParam) {
            if (Window* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
                LRESULT result = 0;
                if (child->OnReflectedCommand(HIWORD(wParam), &result)) return result;
            }
        }
        break;
    }
    return Default(msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = FromHandle(hwnd);
    if (!w) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        LRESULT r = w->WindowProc(msg, wParam, lParam);
        w->Detach();
        w->PostNcDestroy();  // may delete the object
        return r;
    }
    return w->WindowProc(msg, wParam, lParam);
}

bool RegisterWindowClass(const WNDCLASSA& wc) {
    WNDCLASSA existing{};
    if (::GetClassInfoA(wc.hInstance, wc.lpszClassName, &existing)) return true;
    return ::RegisterClassA(&wc) != 0;
}

}  // namespace fw
