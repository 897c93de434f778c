#include "framework/View.h"

#include "framework/FrameWindow.h"
#include "framework/Handles.h"
#include "framework/Splitter.h"
#include "framework/StandardIds.h"

namespace fw {

namespace {
const char kViewClass[] = "ProbeletView";
}

bool View::Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kViewClass;
    if (!RegisterWindowClass(wc)) return false;
    return CreateEx(0, kViewClass, "", style, rect, parent, id);
}

bool View::OnCmdMsg(UINT id, CmdUI* ui) {
    if (id != ID_NEXT_PANE && id != ID_PREV_PANE) return false;
    auto* splitter = dynamic_cast<Splitter*>(FromHandle(GetParent()));
    if (!splitter) return false;
    if (ui)
        ui->Enable(splitter->CanActivateNext());
    else
        splitter->ActivateNext(id == ID_PREV_PANE);
    return true;
}

LRESULT View::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
    // The parents answer first (the frame decides whether the click activates).
    const LRESULT result = Window::WindowProc(WM_MOUSEACTIVATE, wParam, lParam);
    if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
    FrameWindow* frame = nullptr;
    for (HWND h = GetParent(); h && !frame; h = ::GetParent(h)) frame = dynamic_cast<FrameWindow*>(FromHandle(h));
    if (!frame) return result;
    const HWND focus = ::GetFocus();
    if (frame->GetActiveView() == this && focus != GetHwnd() && !::IsChild(GetHwnd(), focus))
        OnActivateView(true, this, this);
    else
        frame->SetActiveView(this, true);
    return result;
}

LRESULT View::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT && DrawsWithOnDraw()) {
        PaintDC dc(GetHwnd());
        OnDraw(dc);
        return 0;
    }
    if (msg == WM_MOUSEACTIVATE) return OnMouseActivate(wParam, lParam);
    return Window::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
