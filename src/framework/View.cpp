#include "framework/View.h"

#include "framework/FrameWindow.h"
#include "framework/Handles.h"
#include "framework/Splitter.h"

namespace fw {

namespace {
const char kViewClass[] = "ProbeletView";
}

View::~View() {
    if (m_frame) m_frame->RemoveView(*this);
}

bool View::Create(const ViewArgs& args) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kViewClass;
    if (!RegisterWindowClass(wc)) return false;
    return CreateViewWindow(kViewClass, args);
}

bool View::CreateViewWindow(const char* className, const ViewArgs& args) {
    if (IsCreated()) return false;
    // A view made again after its window went may belong to another frame now.
    if (m_frame) m_frame->RemoveView(*this);
    m_frame = args.frame;
    m_splitter = args.splitter;
    if (!CreateEx(0, className, "", args.style, args.rect, args.parent, args.id)) {
        m_frame = nullptr;
        m_splitter = nullptr;
        return false;
    }
    if (m_frame) m_frame->AddView(*this);
    return true;
}

bool View::OnCmdMsg(UINT id, CmdUI* ui) {
    if (id != ID_NEXT_PANE && id != ID_PREV_PANE) return false;
    if (!m_splitter) return false;
    if (ui)
        ui->Enable(m_splitter->CanActivateNext());
    else
        m_splitter->ActivateNext(id == ID_PREV_PANE);
    return true;
}

LRESULT View::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
    // The parents answer first (the frame decides whether the click activates).
    const LRESULT result = Window::WindowProc(WM_MOUSEACTIVATE, wParam, lParam);
    if (result == MA_NOACTIVATE || result == MA_NOACTIVATEANDEAT) return result;
    if (!m_frame) return result;
    const HWND focus = ::GetFocus();
    if (m_frame->GetActiveView() == this && focus != GetHwnd() && !::IsChild(GetHwnd(), focus))
        OnActivateView(true, this, this);
    else
        m_frame->SetActiveView(this, true);
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
