// ToolTipCtrl: a tooltip control ("tooltips_class32") whose tools are
// rectangles of one window's client area, identified by number.
//
// Not a Window: nothing of it needs overriding, so its messages (a layout
// sends one per tab) go straight to the control instead of through our
// procedure and its object look-up.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace fw {

class ToolTipCtrl {
public:
    ToolTipCtrl() = default;
    ~ToolTipCtrl() { DestroyWindow(); }
    ToolTipCtrl(const ToolTipCtrl&) = delete;
    ToolTipCtrl& operator=(const ToolTipCtrl&) = delete;

    // A popup owned by parent (the system makes its top-level window the owner).
    bool Create(HWND parent, DWORD style = 0);
    void DestroyWindow();
    // The window, or null: it also goes when its owner is destroyed.
    HWND GetHwnd() const { return IsCreated() ? m_hwnd : nullptr; }
    bool IsCreated() const { return m_hwnd && ::IsWindow(m_hwnd); }
    void Activate(bool active) { Send(TTM_ACTIVATE, active ? TRUE : FALSE); }

    bool AddTool(HWND owner, UINT_PTR id, const char* text, const RECT& area);
    void DelTool(HWND owner, UINT_PTR id);
    void SetToolRect(HWND owner, UINT_PTR id, const RECT& area);
    bool HasTool(HWND owner, UINT_PTR id) const;
    // The tool's text; empty when there is no such tool. Read through the wide
    // message: the ANSI one is capped at 80 bytes by some comctl32 versions.
    std::string GetText(HWND owner, UINT_PTR id) const;
    void RelayEvent(const MSG& msg) { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg)); }

private:
    LRESULT Send(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hwnd, msg, wParam, lParam);
    }
    HWND m_hwnd = nullptr;
};

}  // namespace fw
