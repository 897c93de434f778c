// Window: the base of every window of ours, a thin C++ face over one HWND.
//
// A window is subclassed at the moment it is created (a CBT hook catches it
// before WM_NCCREATE), so window classes can be registered with DefWindowProcA
// as their procedure, common controls can be extended, and the object still
// sees every message. Derived classes override WindowProc in the classic
// single-procedure style: switch on the message, call a handler named after it,
// and pass everything else to Window::WindowProc.
//
// Control notifications (WM_NOTIFY, WM_COMMAND from controls) are first offered
// to the control's own object (OnReflectedNotify / OnReflectedCommand), so a
// control class can handle what it raises itself.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND GetHwnd() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }
    bool IsCreated() const { return m_hwnd != nullptr; }

    // Creates the window and attaches this object to it; className may be any
    // registered class, ours or the system's.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style,
                  const RECT& rect, HWND parent, UINT_PTR idOrMenu, void* createParam = nullptr);
    // The same with position and size apart, so CW_USEDEFAULT can be passed.
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                  int cx, int cy, HWND parent, UINT_PTR idOrMenu, void* createParam = nullptr);
    void DestroyWindow();

    // Attaches an existing window (subclassing it); PreSubclassWindow runs first.
    bool SubclassWindow(HWND hwnd);

    // The Window object attached to hwnd by this thread, or null.
    static Window* FromHandle(HWND hwnd);

    // Offered each message of the application's loop for this window or one
    // of its children before it is translated and dispatched; true eats it.
    virtual bool PreTranslateMessage(MSG* msg) { return false; }

    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hwnd, msg, wParam, lParam);
    }
    std::string GetText() const;
    void SetText(const char* text) { ::SetWindowTextA(m_hwnd, text); }
    RECT GetClientRect() const;
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hwnd, GWL_STYLE)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hwnd); }
    HWND GetParent() const { return ::GetParent(m_hwnd); }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hwnd, nullptr, erase); }
    // Off while a control is filled with many items: under Wine a visible
    // list-view otherwise repaints on every insertion, milliseconds each.
    void SetRedraw(bool redraw) { Send(WM_SETREDRAW, redraw ? TRUE : FALSE); }
    void MoveWindow(int x, int y, int cx, int cy, bool repaint = true) {
        ::MoveWindow(m_hwnd, x, y, cx, cy, repaint);
    }

protected:
    // The window's message procedure; overriders end with Window::WindowProc.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // What the window's class (or the control) does with a message.
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    // A control's own notification, offered to it before its parent sees it.
    // Return true when handled; *result is then the message's result.
    virtual bool OnReflectedNotify(NMHDR* nm, LRESULT* result) { return false; }
    virtual bool OnReflectedCommand(UINT code, LRESULT* result) { return false; }

    // Runs when this object is attached to its window, before any message.
    virtual void PreSubclassWindow() {}
    // Runs after the last message (WM_NCDESTROY); the handle is already gone.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hwnd);
    void Detach();

    HWND m_hwnd = nullptr;
    WNDPROC m_prevProc = nullptr;
};

// Registers a window class once per module; true when the class exists afterwards.
bool RegisterWindowClass(const WNDCLASSA& wc);

}  // namespace fw
