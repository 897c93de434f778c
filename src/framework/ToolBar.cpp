#include "framework/ToolBar.h"

#include "framework/AppGlobals.h"
#include "framework/FrameWindow.h"
#include "framework/Handles.h"
#include "framework/StandardIds.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace fw {

std::string ToolBar::Prompt(UINT id) {
    std::string s = LoadResourceString(id);
    return s.substr(0, s.find('\n'));
}

std::string ToolBar::Tooltip(UINT id) {
    std::string s = LoadResourceString(id);
    size_t nl = s.find('\n');
    return nl == std::string::npos ? std::string() : s.substr(nl + 1);
}

bool ToolBar::Create(FrameWindow& frame, const ToolBarArgs& args) {
    SetBarStyle(args.barStyle);
    // The frame places the bar and the bar draws its own edges: the control must not.
    DWORD windowStyle = args.windowStyle | args.controlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER |
                        ((m_barStyle & kBarTooltips) ? TBSTYLE_TOOLTIPS : 0);
    if (!CreateEx(0, TOOLBARCLASSNAMEA, "", windowStyle, RECT{0, 0, 0, 0}, frame.GetHwnd(), args.id)) return false;
    Send(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    JoinFrame(frame);
    return true;
}

bool ToolBar::LoadToolBar(UINT id) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(RT_TOOLBAR_DESCRIPTION));
    if (!res || ::SizeofResource(module, res) < 4 * sizeof(WORD)) return false;
    const auto* words = static_cast<const WORD*>(::LockResource(::LoadResource(module, res)));
    if (!words) return false;
    const WORD version = words[0], width = words[1], height = words[2], count = words[3];
    if (version != 1 || ::SizeofResource(module, res) < (4u + count) * sizeof(WORD)) return false;

    std::vector<TBBUTTON> buttons(count);
    int images = 0;
    for (WORD i = 0; i < count; ++i) {
        TBBUTTON& b = buttons[i];
        b.idCommand = words[4 + i];
        if (b.idCommand == 0) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = images++;
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
        }
    }
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    Send(TB_SETBUTTONSIZE, 0, MAKELPARAM(width + 7, height + 7));
    TBADDBITMAP bitmap{module, id};
    if (images > 0 && Send(TB_ADDBITMAP, images, reinterpret_cast<LPARAM>(&bitmap)) < 0) return false;
    if (!Send(TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons.data()))) return false;
    WrapButtons(!IsHorizontal());
    return true;
}

int ToolBar::GetButtonCount() const { return static_cast<int>(Send(TB_BUTTONCOUNT)); }

UINT ToolBar::GetItemID(int index) const {
    TBBUTTON b{};
    if (!Send(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b))) return 0;
    return (b.fsStyle & BTNS_SEP) ? 0 : static_cast<UINT>(b.idCommand);
}

RECT ToolBar::GetItemRect(int index) const {
    RECT rc{};
    Send(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

void ToolBar::WrapButtons(bool vertical) {
    // A vertical bar is one item per row: every item ends its row. Items are
    // addressed by index, since all separators share the command id 0.
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        Send(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        BYTE state = vertical ? (b.fsState | TBSTATE_WRAP) : (b.fsState & ~TBSTATE_WRAP);
        if (state == b.fsState) continue;
        TBBUTTONINFOA info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        info.fsState = state;
        Send(TB_SETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
    }
    // The control lays its items out again only when one is hidden or shown.
    for (int i = 0; i < count; ++i) {
        if (UINT id = GetItemID(i)) {
            Send(TB_HIDEBUTTON, id, MAKELPARAM(TRUE, 0));
            Send(TB_HIDEBUTTON, id, MAKELPARAM(FALSE, 0));
            break;
        }
    }
}

void ToolBar::SetDockSide(DWORD side) {
    bool wasHorizontal = IsHorizontal();
    ControlBar::SetDockSide(side);
    if (IsHorizontal() != wasHorizontal) {
        WrapButtons(!IsHorizontal());
        // The non-client area (gripper side) changes with the orientation.
        ::SetWindowPos(GetHwnd(), nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
}

SIZE ToolBar::ButtonsExtent() const {
    SIZE extent{0, 0};
    for (int i = 0; i < GetButtonCount(); ++i) {
        RECT rc = GetItemRect(i);
        extent.cx = std::max<LONG>(extent.cx, rc.right);
        extent.cy = std::max<LONG>(extent.cy, rc.bottom);
    }
    return extent;
}

int ToolBar::CalcThickness(int length) {
    // The gripper lies along the bar, so only the buttons and borders count across it.
    SIZE extent = ButtonsExtent();
    return IsHorizontal() ? extent.cy + 2 * kBorder : extent.cx + 2 * kBorder;
}

void ToolBar::OnUpdateCmdUI(FrameWindow* target) {
    for (int i = 0; i < GetButtonCount(); ++i) {
        UINT id = GetItemID(i);
        if (!id) continue;
        CmdUI ui;
        ui.id = id;
        bool enabled = target->OnCmdMsg(id, &ui) && ui.enabled;
        if ((Send(TB_ISBUTTONENABLED, id) != 0) != enabled) Send(TB_ENABLEBUTTON, id, MAKELPARAM(enabled, 0));
        if (ui.check >= 0 && (Send(TB_ISBUTTONCHECKED, id) != 0) != (ui.check == 1))
            Send(TB_CHECKBUTTON, id, MAKELPARAM(ui.check == 1, 0));
    }
}

bool ToolBar::OnReflectedNotify(NMHDR* nm, LRESULT* result) {
    switch (nm->code) {
    case TBN_GETINFOTIPA: {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPA*>(nm);
        if (tip->pszText && tip->cchTextMax > 0)
            lstrcpynA(tip->pszText, Tooltip(tip->iItem).c_str(), tip->cchTextMax);
        *result = 0;
        return true;
    }
    case TBN_GETINFOTIPW: {
        auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(nm);
        if (tip->pszText && tip->cchTextMax > 0) {
            std::string text = Tooltip(tip->iItem);
            int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, tip->pszText, tip->cchTextMax);
            if (n == 0) tip->pszText[0] = L'\0';
            tip->pszText[tip->cchTextMax - 1] = L'\0';
        }
        *result = 0;
        return true;
    }
    case TBN_HOTITEMCHANGE: {
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(nm);
        if (FrameWindow* frame = GetFrame(); frame && (m_barStyle & kBarFlyBy)) {
            if (hot->dwFlags & HICF_LEAVING)
                frame->SetMessageText(IDS_IDLE_MESSAGE);
            else
                frame->SetMessageText(hot->idNew);
        }
        *result = 0;
        return true;
    }
    }
    return false;
}

RECT ToolBar::GripperRect() const {
    RECT rc{};
    ::GetWindowRect(GetHwnd(), &rc);
    ::OffsetRect(&rc, -rc.left, -rc.top);
    if (IsHorizontal())
        return RECT{kBorder, kBorder, kBorder + kGripper - 2, rc.bottom - kBorder};
    return RECT{kBorder, kBorder, rc.right - kBorder, kBorder + kGripper - 2};
}

void ToolBar::PaintNonClient() {
    HDC dc = ::GetWindowDC(GetHwnd());
    if (!dc) return;
    RECT window{};
    ::GetWindowRect(GetHwnd(), &window);
    ::OffsetRect(&window, -window.left, -window.top);
    RECT client{};
    ::GetClientRect(GetHwnd(), &client);
    POINT origin{0, 0};
    ::ClientToScreen(GetHwnd(), &origin);
    RECT screen{};
    ::GetWindowRect(GetHwnd(), &screen);
    ::OffsetRect(&client, origin.x - screen.left, origin.y - screen.top);
    ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    ::FillRect(dc, &window, ::GetSysColorBrush(COLOR_BTNFACE));
    if (m_barStyle & kBarGripper) {
        RECT grip = GripperRect();
        // Two raised ridges, like every dockable bar.
        if (IsHorizontal()) {
            RECT a{grip.left, grip.top + 1, grip.left + 3, grip.bottom - 1};
            RECT b{grip.left + 3, grip.top + 1, grip.left + 6, grip.bottom - 1};
            ::DrawEdge(dc, &a, BDR_RAISEDINNER, BF_RECT);
            ::DrawEdge(dc, &b, BDR_RAISEDINNER, BF_RECT);
        } else {
            RECT a{grip.left + 1, grip.top, grip.right - 1, grip.top + 3};
            RECT b{grip.left + 1, grip.top + 3, grip.right - 1, grip.top + 6};
            ::DrawEdge(dc, &a, BDR_RAISEDINNER, BF_RECT);
            ::DrawEdge(dc, &b, BDR_RAISEDINNER, BF_RECT);
        }
    }
    UINT edges = 0;
    if (m_barStyle & kBarBorderTop) edges |= BF_TOP;
    if (m_barStyle & kBarBorderBottom) edges |= BF_BOTTOM;
    if (edges) ::DrawEdge(dc, &window, EDGE_ETCHED, edges);
    ::ReleaseDC(GetHwnd(), dc);
}

void ToolBar::EndDrag(POINT screen) {
    m_dragging = false;
    FrameWindow* frame = GetFrame();
    if (!frame) return;
    DWORD allowed = m_dockSides & frame->GetDockingSides();
    if (!allowed) return;
    // The side of the frame nearest to where the bar was let go.
    RECT client{};
    ::GetClientRect(frame->GetHwnd(), &client);
    POINT pt = screen;
    ::ScreenToClient(frame->GetHwnd(), &pt);
    struct Candidate { DWORD side; LONG distance; };
    const Candidate candidates[] = {{kBarAlignTop, pt.y - client.top},
                                    {kBarAlignBottom, client.bottom - pt.y},
                                    {kBarAlignLeft, pt.x - client.left},
                                    {kBarAlignRight, client.right - pt.x}};
    DWORD best = 0;
    LONG bestDistance = 0;
    for (const Candidate& c : candidates) {
        if (!(allowed & c.side)) continue;
        LONG d = std::abs(c.distance);
        if (!best || d < bestDistance) best = c.side, bestDistance = d;
    }
    if (best && best != GetDockSide()) frame->DockControlBar(this, best);
}

LRESULT ToolBar::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCCALCSIZE: {
        LRESULT r = Default(msg, wParam, lParam);
        RECT& rc = reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0];
        const int grip = (m_barStyle & kBarGripper) ? kGripper : 0;
        ::InflateRect(&rc, -kBorder, -kBorder);
        if (IsHorizontal())
            rc.left += grip;
        else
            rc.top += grip;
        if (rc.right < rc.left) rc.right = rc.left;
        if (rc.bottom < rc.top) rc.bottom = rc.top;
        return r;
    }
    case WM_NCPAINT:
        PaintNonClient();
        return 0;
    case WM_NCHITTEST: {
        LRESULT hit = Default(msg, wParam, lParam);
        if (hit == HTCLIENT) return hit;
        // Everything around the buttons is the handle by which the bar is dragged.
        return HTCAPTION;
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION && m_dockSides) {
            m_dragging = true;
            ::SetCapture(GetHwnd());
            ::SetCursor(::LoadCursor(nullptr, IDC_SIZEALL));
        }
        return 0;  // never the default: it would move the child window itself
    case WM_NCLBUTTONDBLCLK:
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragging) {
            ::SetCursor(::LoadCursor(nullptr, IDC_SIZEALL));
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (m_dragging) {
            POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            ::ClientToScreen(GetHwnd(), &pt);
            ::ReleaseCapture();
            EndDrag(pt);
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (m_dragging && wParam == VK_ESCAPE) {
            m_dragging = false;
            ::ReleaseCapture();
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        m_dragging = false;
        break;
    }
    return ControlBar::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
