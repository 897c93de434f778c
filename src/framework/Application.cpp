#include "framework/Application.h"

#include "framework/AppGlobals.h"
#include "framework/StandardIds.h"

#include <commctrl.h>

namespace fw {

namespace {
Application* g_current = nullptr;
}

Application::Application() : m_previous(g_current) { g_current = this; }

Application::~Application() {
    if (g_current == this) g_current = m_previous;
}

Application* Application::Current() { return g_current; }

int Application::Main(HINSTANCE instance, int showCommand) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    char title[256] = "";
    if (::LoadStringA(instance, IDS_APP_TITLE, title, sizeof title) > 0) SetAppTitle(title);
    if (!InitInstance()) {
        ExitInstance();
        return 1;  // the program did not start: not a success
    }
    return Run();
}

bool Application::IsIdleMessage(const MSG& msg) {
    static POINT lastMouse{-1, -1};
    switch (msg.message) {
    case WM_PAINT:
    case 0x0118:  // the caret's blink timer
        return false;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        if (msg.pt.x == lastMouse.x && msg.pt.y == lastMouse.y) return false;
        lastMouse = msg.pt;
        return true;
    }
    return true;
}

int Application::Run() {
    bool idle = true;
    long idleCount = 0;
    MSG msg{};
    for (;;) {
        while (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) idle = false;
        }
        do {
            if (!::GetMessageA(&msg, nullptr, 0, 0)) {
                m_exitCode = static_cast<int>(msg.wParam);
                return ExitInstance();
            }
            if (!PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            if (IsIdleMessage(msg)) {
                idle = true;
                idleCount = 0;
            }
        } while (::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

bool Application::OnIdle(long count) {
    if (count == 0 && m_mainFrame && m_mainFrame->IsCreated()) m_mainFrame->OnIdleUpdateCmdUI();
    return false;
}

bool Application::PreTranslateMessage(MSG* msg) {
    // The target window and its parents first: a control may relay the
    // message (tooltips) or eat it.
    const HWND main = m_mainFrame ? m_mainFrame->GetHwnd() : nullptr;
    for (HWND h = msg->hwnd; h; h = ::GetParent(h)) {
        if (Window* w = Window::FromHandle(h); w && w->PreTranslateMessage(msg)) return true;
        if (h == main) break;
    }
    return m_mainFrame && m_mainFrame->TranslateAccelerator(msg);
}

bool Application::OnCmdMsg(UINT id, CmdUI* ui) {
    if (id == ID_APP_EXIT) {
        if (!ui && m_mainFrame && m_mainFrame->IsCreated()) ::PostMessageA(m_mainFrame->GetHwnd(), WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

}  // namespace fw
