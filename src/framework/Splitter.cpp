#include "framework/Splitter.h"

#include "framework/FrameWindow.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

namespace {
const char kSplitterClass[] = "ProbeletSplitter";
}

bool Splitter::Create(const SplitterArgs& args) {
    if (args.columns < 1) return false;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kSplitterClass;
    if (!RegisterWindowClass(wc)) return false;
    m_columns.clear();
    m_columns.resize(args.columns);
    m_frame = args.frame;
    HWND parent = args.parent ? args.parent : m_frame ? m_frame->GetHwnd() : nullptr;
    return CreateEx(0, kSplitterClass, "", args.style | WS_CLIPCHILDREN, RECT{0, 0, 0, 0}, parent, args.id);
}

bool Splitter::AddView(int row, int col, std::unique_ptr<View> view, SIZE size) {
    if (row != 0 || col < 0 || col >= GetColumnCount() || m_columns[col].view || !view) return false;
    ViewArgs args;
    args.parent = GetHwnd();
    args.id = PaneId(row, col);
    args.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    args.rect = RECT{0, 0, size.cx, size.cy};
    args.frame = m_frame;
    args.splitter = this;
    if (!view->Create(args)) return false;
    m_columns[col].view = std::move(view);
    m_columns[col].ideal = size.cx;
    return true;
}

View* Splitter::GetPane(int row, int col) const {
    if (row != 0 || col < 0 || col >= GetColumnCount()) return nullptr;
    return m_columns[col].view.get();
}

void Splitter::SetColumnInfo(int col, int ideal, int minimum) {
    if (col < 0 || col >= GetColumnCount()) return;
    m_columns[col].ideal = std::max(ideal, 0);
    m_columns[col].minimum = std::max(minimum, 0);
}

int Splitter::GetColumnWidth(int col) const {
    if (col < 0 || col >= GetColumnCount()) return 0;
    View* view = m_columns[col].view.get();
    if (!view || !view->IsCreated()) return 0;
    RECT rc{};
    ::GetWindowRect(view->GetHwnd(), &rc);
    return rc.right - rc.left;
}

void Splitter::RecalcLayout() {
    if (!IsCreated()) return;
    RECT client = GetClientRect();
    int x = 0;
    const int last = GetColumnCount() - 1;
    for (int col = 0; col <= last; ++col) {
        int width = col == last ? static_cast<int>(client.right) - x
                                 : std::min(m_columns[col].ideal, std::max(static_cast<int>(client.right) - x, 0));
        if (View* view = m_columns[col].view.get())
            if (view->IsCreated()) view->MoveWindow(x, 0, std::max(width, 0), client.bottom);
        x += width + kBarWidth;
    }
    ::InvalidateRect(GetHwnd(), nullptr, TRUE);
}

RECT Splitter::BarRect(int col) const {
    RECT client = GetClientRect();
    int x = 0;
    for (int c = 0; c <= col && c < GetColumnCount(); ++c) x += GetColumnWidth(c);
    x += col * kBarWidth;
    return RECT{x, 0, x + kBarWidth, client.bottom};
}

int Splitter::HitBar(POINT pt) const {
    for (int col = 0; col + 1 < GetColumnCount(); ++col) {
        RECT bar = BarRect(col);
        if (::PtInRect(&bar, pt)) return col;
    }
    return -1;
}

void Splitter::OnLButtonDown(UINT flags, POINT pt) {
    int bar = HitBar(pt);
    if (bar < 0) return;
    m_tracking = bar;
    m_grabOffset = pt.x - BarRect(bar).left;
    ::SetCapture(GetHwnd());
}

void Splitter::TrackTo(int x) {
    // The bar's left edge follows the pointer; neither neighbour gets narrower than its minimum.
    const int col = m_tracking;
    int left = 0;
    for (int c = 0; c < col; ++c) left += GetColumnWidth(c) + kBarWidth;
    int width = x - m_grabOffset - left;
    int room = GetClientRect().right - left - kBarWidth;
    width = std::min(width, room - m_columns[col + 1].minimum);
    width = std::max(width, m_columns[col].minimum);
    if (width == m_columns[col].ideal) return;
    m_columns[col].ideal = width;
    RecalcLayout();
}

bool Splitter::CanActivateNext() const {
    int panes = 0;
    for (const Column& c : m_columns)
        if (c.view) ++panes;
    return panes > 1 && m_frame != nullptr;
}

void Splitter::ActivateNext(bool previous) {
    if (!m_frame || GetColumnCount() == 0) return;
    const int n = GetColumnCount();
    int current = -1;
    for (int col = 0; col < n; ++col)
        if (m_columns[col].view.get() == m_frame->GetActiveView()) current = col;
    for (int step = 1; step <= n; ++step) {
        int col = current < 0 ? (previous ? n - step : step - 1)
                              : ((current + (previous ? -step : step)) % n + n) % n;
        if (View* view = m_columns[col].view.get()) {
            m_frame->SetActiveView(view, true);
            return;
        }
    }
}

LRESULT Splitter::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        RecalcLayout();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_MOUSEMOVE:
        if (m_tracking >= 0) TrackTo(GET_X_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (m_tracking >= 0) ::ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        m_tracking = -1;
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == GetHwnd() && LOWORD(lParam) == HTCLIENT) {
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(GetHwnd(), &pt);
            if (m_tracking >= 0 || HitBar(pt) >= 0) {
                ::SetCursor(::LoadCursor(nullptr, IDC_SIZEWE));
                return TRUE;
            }
        }
        break;
    }
    return Window::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
