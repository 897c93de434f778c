// ToolTipCtrl: a tooltip control ("tooltips_class32") whose tools are
// rectangles of one window's client area, identified by number.
#pragma once

#include "framework/Window.h"

#include <commctrl.h>

#include <string>

namespace fw {

class ToolTipCtrl : public Window {
public:
    // A popup owned by parent (the system makes its top-level window the owner).
    bool Create(HWND parent, DWORD style = 0);
    void Activate(bool active) { Send(TTM_ACTIVATE, active ? TRUE : FALSE); }

    bool AddTool(HWND owner, UINT_PTR id, const char* text, const RECT& area);
    void DelTool(HWND owner, UINT_PTR id);
    void SetToolRect(HWND owner, UINT_PTR id, const RECT& area);
    bool HasTool(HWND owner, UINT_PTR id) const;
    // The tool's text; empty when there is no such tool. Read through the wide
    // message: the ANSI one is capped at 80 bytes by some comctl32 versions.
    std::string GetText(HWND owner, UINT_PTR id) const;
    void RelayEvent(const MSG& msg) { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg)); }
};

}  // namespace fw
