#include "framework/FrameWindow.h"

#include "framework/AppGlobals.h"
#include "framework/Application.h"
#include "framework/StandardIds.h"
#include "framework/StatusBar.h"

#include <algorithm>
#include <vector>

namespace fw {

namespace {

template <class T>
bool Contains(const std::vector<T*>& list, const T* item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T>
void Erase(std::vector<T*>& list, const T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

}  // namespace

FrameWindow::~FrameWindow() {
    // Bars and views that outlive the frame object must not reach back into it.
    for (ControlBar* bar : m_bars) bar->m_frame = nullptr;
    for (View* view : m_views) view->m_frame = nullptr;
}

void FrameWindow::AddControlBar(ControlBar& bar) {
    if (!Contains(m_bars, &bar)) m_bars.push_back(&bar);
}

void FrameWindow::RemoveControlBar(ControlBar& bar) {
    Erase(m_bars, &bar);
    if (m_messageBar == &bar) m_messageBar = nullptr;
}

void FrameWindow::AddView(View& view) {
    if (!Contains(m_views, &view)) m_views.push_back(&view);
}

void FrameWindow::RemoveView(View& view) { Erase(m_views, &view); }

bool FrameWindow::LoadFrame(UINT id, DWORD style, HWND parent) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    // A class per resource id, so that the frame shows the icon of its resources.
    std::string className = "ProbeletFrame" + std::to_string(id);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(id));
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = className.c_str();
    if (!RegisterWindowClass(wc)) return false;

    std::string title = LoadResourceString(id);
    CREATESTRUCTA cs{};
    cs.hInstance = instance;
    cs.hwndParent = parent;
    cs.style = style;
    cs.dwExStyle = WS_EX_CLIENTEDGE;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.lpszName = title.c_str();
    cs.lpszClass = className.c_str();
    if (!PreCreateWindow(cs)) return false;

    HMENU menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(id));
    m_accelerators = ::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(id));
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style & ~kFrameAddToTitle, cs.x, cs.y, cs.cx,
                  cs.cy, cs.hwndParent, reinterpret_cast<UINT_PTR>(menu))) {
        m_created = false;
        // A window that got as far as its menu took it down with it.
        if (menu && ::IsMenu(menu)) ::DestroyMenu(menu);
        return false;
    }
    m_created = true;
    SendInitialUpdate();
    return true;
}

bool FrameWindow::PreCreateWindow(CREATESTRUCTA& cs) { return cs.lpszClass != nullptr; }

void FrameWindow::SendInitialUpdate() {
    // The views of now; one that an update takes away is skipped.
    const std::vector<View*> views = m_views;
    for (View* view : views)
        if (Contains(m_views, view) && view->IsCreated()) view->OnInitialUpdate();
}

void FrameWindow::SetActiveView(View* view, bool notify) {
    View* old = m_activeView;
    if (view == old) return;
    m_activeView = nullptr;  // neither is active while they are told
    if (old) old->OnActivateView(false, view, old);
    m_activeView = view;
    if (view && notify) view->OnActivateView(true, view, old);
}

ControlBar* FrameWindow::GetControlBar(UINT id) const {
    for (ControlBar* bar : m_bars)
        if (bar->IsCreated() && static_cast<UINT>(bar->GetDlgCtrlID()) == id) return bar;
    return nullptr;
}

void FrameWindow::RecalcLayout(bool notify) {
    if (!IsCreated() || m_inLayout) return;
    m_inLayout = true;
    RECT rest = GetClientRect();
    std::vector<ControlBar*> bars;
    for (ControlBar* bar : m_bars)
        if (bar->IsVisible()) bars.push_back(bar);
    std::stable_partition(bars.begin(), bars.end(), [](ControlBar* b) { return b->IsOutermost(); });
    // Horizontal bars span the whole width; vertical ones fit between them.
    std::stable_partition(bars.begin(), bars.end(), [](ControlBar* b) { return b->IsHorizontal(); });
    for (ControlBar* bar : bars) {
        const int width = rest.right - rest.left, height = rest.bottom - rest.top;
        int t = std::max(0, bar->CalcThickness(bar->IsHorizontal() ? width : height));
        RECT r = rest;
        switch (bar->GetDockSide()) {
        case kBarAlignTop: r.bottom = r.top + t, rest.top += t; break;
        case kBarAlignLeft: r.right = r.left + t, rest.left += t; break;
        case kBarAlignRight: r.left = r.right - t, rest.right -= t; break;
        default: r.top = r.bottom - t, rest.bottom -= t; break;
        }
        if (rest.bottom < rest.top) rest.bottom = rest.top;
        if (rest.right < rest.left) rest.right = rest.left;
        ::SetWindowPos(bar->GetHwnd(), nullptr, r.left, r.top, r.right - r.left, std::max(0L, r.bottom - r.top),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (HWND pane = ::GetDlgItem(GetHwnd(), IDW_PANE_FIRST))
        ::SetWindowPos(pane, nullptr, rest.left, rest.top, rest.right - rest.left, rest.bottom - rest.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    m_inLayout = false;
}

void FrameWindow::DockControlBar(ControlBar* bar, DWORD side) {
    if (!bar) return;
    if (!side) {
        DWORD allowed = bar->GetDockingSides() & m_dockSides;
        side = bar->GetDockSide();
        if (!(side & allowed))
            for (DWORD s : {kBarAlignTop, kBarAlignBottom, kBarAlignLeft, kBarAlignRight})
                if (allowed & s) {
                    side = s;
                    break;
                }
    }
    bar->SetDockSide(side);
    RecalcLayout();
}

void FrameWindow::ShowControlBar(ControlBar* bar, bool show) {
    if (!bar) return;
    ::ShowWindow(bar->GetHwnd(), show ? SW_SHOWNOACTIVATE : SW_HIDE);
    RecalcLayout();
}

void FrameWindow::SetMessageText(const std::string& text) {
    if (m_messageBar && m_messageBar->IsCreated()) m_messageBar->SetPaneText(0, text.c_str());
}

void FrameWindow::SetMessageText(UINT id) {
    std::string s = LoadResourceString(id);
    SetMessageText(s.substr(0, s.find('\n')));
}

bool FrameWindow::OnCmdMsg(UINT id, CmdUI* ui) {
    if (m_activeView && m_activeView->OnCmdMsg(id, ui)) return true;
    if (OnOwnCommand(id, ui)) return true;
    if (Application* app = Application::Current()) return app->OnCmdMsg(id, ui);
    return false;
}

bool FrameWindow::OnOwnCommand(UINT id, CmdUI* ui) {
    switch (id) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR: {
        ControlBar* bar = GetControlBar(id == ID_VIEW_TOOLBAR ? IDW_TOOLBAR : IDW_STATUS_BAR);
        if (!bar) return false;
        if (ui)
            ui->SetCheck(bar->IsVisible());
        else
            ShowControlBar(bar, !bar->IsVisible());
        return true;
    }
    case ID_INDICATOR_CAPS:
    case ID_INDICATOR_NUM:
    case ID_INDICATOR_SCRL: {
        if (!ui) return false;
        int key = id == ID_INDICATOR_CAPS ? VK_CAPITAL : id == ID_INDICATOR_NUM ? VK_NUMLOCK : VK_SCROLL;
        ui->Enable((::GetKeyState(key) & 1) != 0);
        return true;
    }
    }
    return false;
}

void FrameWindow::OnIdleUpdateCmdUI() {
    if (!IsCreated()) return;
    const std::vector<ControlBar*> bars = m_bars;
    for (ControlBar* bar : bars)
        if (Contains(m_bars, bar) && bar->IsVisible()) bar->OnUpdateCmdUI(this);
}

bool FrameWindow::TranslateAccelerator(MSG* msg) {
    if (!m_accelerators || !IsCreated()) return false;
    if (msg->hwnd != GetHwnd() && !::IsChild(GetHwnd(), msg->hwnd)) return false;
    return ::TranslateAcceleratorA(GetHwnd(), m_accelerators, msg) != 0;
}

void FrameWindow::OnInitMenuPopup(HMENU menu) {
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        if (::GetSubMenu(menu, i)) continue;
        UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator
        CmdUI ui;
        ui.id = id;
        bool enabled = OnCmdMsg(id, &ui) && ui.enabled;
        ::EnableMenuItem(menu, i, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        if (ui.check >= 0) ::CheckMenuItem(menu, i, MF_BYPOSITION | (ui.check ? MF_CHECKED : MF_UNCHECKED));
    }
}

void FrameWindow::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && !menu) {  // the menu closed
        SetMessageText(IDS_IDLE_MESSAGE);
    } else if (flags & (MF_POPUP | MF_SEPARATOR)) {
        SetMessageText(std::string());
    } else if (id >= 0xF000) {  // system menu: one prompt per 16 command ids
        SetMessageText(IDS_SC_FIRST + ((id - 0xF000) >> 4));
    } else {
        SetMessageText(id);
    }
}

LRESULT FrameWindow::OnWmCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam), code = HIWORD(wParam);
    // Menus (0), accelerators (1) and buttons (BN_CLICKED, 0) are commands;
    // anything else from a control is its notification.
    if (lParam && code != BN_CLICKED) return Window::WindowProc(WM_COMMAND, wParam, lParam);
    // A command that has become disabled since its button or item was drawn does not run.
    CmdUI ui;
    ui.id = id;
    if (!OnCmdMsg(id, &ui) || !ui.enabled) return 0;
    OnCmdMsg(id, nullptr);
    return 0;
}

int FrameWindow::OnCreate(CREATESTRUCTA* cs) {
    if (!OnCreateClient(cs)) return -1;
    RecalcLayout();
    ::PostMessageA(GetHwnd(), kSetMessageString, IDS_IDLE_MESSAGE, 0);
    return 0;
}

void FrameWindow::OnSize(UINT type, int cx, int cy) {
    if (type != SIZE_MINIMIZED) RecalcLayout();
}

void FrameWindow::OnSetFocus(HWND lost) {
    if (m_activeView && m_activeView->IsCreated()) ::SetFocus(m_activeView->GetHwnd());
}

void FrameWindow::PreSubclassWindow() {
    // Views and lists reach the application's main frame through its window
    // from its very creation on (the initial update sets its title).
    if (Application* app = Application::Current(); app && app->GetMainFrame() == this) SetMainWindow(GetHwnd());
}

LRESULT FrameWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_COMMAND:
        return OnWmCommand(wParam, lParam);
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam)) OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
        return 0;
    case WM_EXITMENULOOP:
        SetMessageText(IDS_IDLE_MESSAGE);
        break;
    case kSetMessageString:
        if (wParam)
            SetMessageText(static_cast<UINT>(wParam));
        else
            SetMessageText(std::string(lParam ? reinterpret_cast<const char*>(lParam) : ""));
        return 0;
    case WM_NCDESTROY:
        if (GetMainWindow() == GetHwnd()) SetMainWindow(nullptr);
        // The end of the main window ends the program; a window whose creation
        // failed never began it (and a quit message would end the next message box).
        if (Application* app = Application::Current(); app && app->GetMainFrame() == this && m_created)
            ::PostQuitMessage(0);
        m_created = false;
        break;
    }
    return Window::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
