#include "framework/View.h"

#include "framework/Handles.h"

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

LRESULT View::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT && DrawsWithOnDraw()) {
        PaintDC dc(GetHwnd());
        OnDraw(dc);
        return 0;
    }
    return Window::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
