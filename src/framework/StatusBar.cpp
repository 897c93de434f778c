#include "framework/StatusBar.h"

#include "framework/AppGlobals.h"
#include "framework/FrameWindow.h"
#include "framework/Handles.h"

#include <commctrl.h>

namespace fw {

namespace {

// Room for the pane's edges around its text.
constexpr int kPanePadding = 8;


}  // namespace

bool StatusBar::Create(FrameWindow& frame, const StatusBarArgs& args) {
    SetBarStyle(args.barStyle);
    DWORD windowStyle = args.windowStyle;
    // A size grip only where the frame can be resized.
    if (frame.GetStyle() & WS_THICKFRAME) windowStyle |= SBARS_SIZEGRIP;
    if (!CreateEx(0, STATUSCLASSNAMEA, "", windowStyle, RECT{0, 0, 0, 0}, frame.GetHwnd(), args.id)) return false;
    JoinFrame(frame);
    frame.SetMessageBar(this);
    return true;
}

int StatusBar::TextWidth(const std::string& text) const {
    WindowDC dc(GetHwnd());
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    SelectScope select(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{0, 0};
    ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

bool StatusBar::SetIndicators(const UINT* ids, int count) {
    std::vector<Pane> panes;
    for (int i = 0; i < count; ++i) {
        Pane pane;
        pane.id = ids[i];
        if (pane.id == 0) {
            pane.style = kPaneStretch | kPaneNoBorders;
        } else {
            pane.text = LoadResourceString(pane.id);
            if (pane.text.empty()) return false;
            pane.width = TextWidth(pane.text) + kPanePadding;
        }
        panes.push_back(std::move(pane));
    }
    m_panes = std::move(panes);
    UpdateParts();
    for (int i = 0; i < GetPaneCount(); ++i) ShowPane(i);
    return true;
}

void StatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
    if (index < 0 || index >= GetPaneCount()) return;
    Pane& pane = m_panes[index];
    pane.id = id;
    pane.style = style;
    pane.width = width;
    UpdateParts();
    ShowPane(index);
}

UINT StatusBar::GetPaneStyle(int index) const {
    return index >= 0 && index < GetPaneCount() ? m_panes[index].style : 0;
}

int StatusBar::GetPaneWidth(int index) const {
    return index >= 0 && index < GetPaneCount() ? m_panes[index].width : 0;
}

bool StatusBar::SetPaneText(int index, const char* text, bool update) {
    if (index < 0 || index >= GetPaneCount()) return false;
    m_panes[index].text = text ? text : "";
    ShowPane(index);
    if (update) ::UpdateWindow(GetHwnd());
    return true;
}

std::string StatusBar::GetPaneText(int index) const {
    return index >= 0 && index < GetPaneCount() ? m_panes[index].text : std::string();
}

int StatusBar::CommandToIndex(UINT id) const {
    for (int i = 0; i < GetPaneCount(); ++i)
        if (m_panes[i].id == id) return i;
    return -1;
}

void StatusBar::ShowPane(int index) {
    const Pane& pane = m_panes[index];
    UINT type = 0;
    if (pane.style & kPaneNoBorders) type |= SBT_NOBORDERS;
    if (pane.style & kPanePopout) type |= SBT_POPOUT;
    const char* shown = (pane.style & kPaneDisabled) ? "" : pane.text.c_str();
    Send(SB_SETTEXTA, static_cast<WPARAM>(index) | type, reinterpret_cast<LPARAM>(shown));
}

void StatusBar::UpdateParts() {
    if (!IsCreated() || m_panes.empty()) return;
    RECT client = GetClientRect();
    int fixed = 0, stretching = 0;
    for (const Pane& pane : m_panes) {
        if (pane.style & kPaneStretch)
            ++stretching;
        else
            fixed += pane.width;
    }
    // Fixed panes keep their widths at the right; stretching ones share the rest
    // (less the size grip, which the last pane runs into).
    int grip = (GetStyle() & SBARS_SIZEGRIP) ? client.bottom : 0;
    int spare = client.right - fixed - grip;
    if (spare < 0) spare = 0;
    std::vector<int> edges;
    int x = 0;
    for (const Pane& pane : m_panes) {
        x += (pane.style & kPaneStretch) ? spare / stretching : pane.width;
        edges.push_back(x);
    }
    edges.back() = -1;
    Send(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

int StatusBar::CalcThickness(int length) {
    RECT rc{};
    ::GetWindowRect(GetHwnd(), &rc);
    return rc.bottom - rc.top;
}

void StatusBar::OnUpdateCmdUI(FrameWindow* target) {
    for (int i = 0; i < GetPaneCount(); ++i) {
        Pane& pane = m_panes[i];
        if (!pane.id) continue;
        CmdUI ui;
        ui.id = pane.id;
        // Panes nobody answers for stay as they are.
        if (!target->OnCmdMsg(pane.id, &ui)) continue;
        UINT style = ui.enabled ? (pane.style & ~kPaneDisabled) : (pane.style | kPaneDisabled);
        if (style != pane.style) {
            pane.style = style;
            ShowPane(i);
        }
    }
}

LRESULT StatusBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SIZE) {
        LRESULT r = Default(msg, wParam, lParam);
        UpdateParts();
        return r;
    }
    return ControlBar::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
