// The tooltip relay and in-place editing of the current tab's label.
#include "tabstrip/CustomTabCtrl.h"

#include <new>

namespace {

// What the editing loop does with one message.
enum class Step { Dispatch, Swallow, DispatchAndEnd, End };

}  // namespace

bool CCustomTabCtrl::PreTranslateMessage(MSG* msg) {
    if ((TabStyle() & TSS_TIPS) && m_tips.IsCreated() &&
        (msg->message == WM_LBUTTONDOWN || msg->message == WM_LBUTTONUP || msg->message == WM_MOUSEMOVE))
        m_tips.RelayEvent(*msg);
    return fw::Window::PreTranslateMessage(msg);
}

int CCustomTabCtrl::LabelTextHeight(const std::string& text) {
    fw::WindowDC dc(GetHwnd());
    fw::SelectScope font(dc, m_fontLabelBold);
    RECT rc{};
    return ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT);
}

// The label rectangle, centred vertically on one line of text.
RECT CCustomTabCtrl::EditorRect(int index, int textHeight) const {
    RECT r = m_tabs[static_cast<size_t>(index)]->m_rcLabel;
    if (r.bottom - r.top > textHeight) {
        r.top += (r.bottom - r.top - textHeight) / 2;
        r.bottom -= (r.bottom - r.top - textHeight) / 2;
    }
    r.left += 2;
    return r;
}

int CCustomTabCtrl::BeginRename(int index, BOOL byMouse) {
    if (index < 0 || index >= GetTabCount()) return TSE_BADINDEX;
    if (!(TabStyle() & TSS_RENAME)) return TSE_NORENAMESTYLE;
    if (index != m_nSelected) return TSE_NOTSELECTED;
    if (m_editor.IsCreated()) return TSE_BUSY;

    // The loop below dispatches anything, including what destroys this
    // object; the destructor flags it through this pointer.
    bool gone = false;
    m_pRenameGone = &gone;
    int result = TSE_OK;
    try {
        result = RunRename(index, byMouse, gone);
    } catch (const std::bad_alloc&) {
        if (gone) return TSE_NOMEMORY;
        m_editor.DestroyWindow();
        if (byMouse) SendTabNotify(TSN_NOMEMORY, index, 0, 0);
        result = TSE_NOMEMORY;
    }
    if (!gone) m_pRenameGone = nullptr;
    return result;
}

int CCustomTabCtrl::RunRename(int index, BOOL byMouse, const bool& gone) {
    CTabEntry& tab = *m_tabs[static_cast<size_t>(index)];
    const RECT r = EditorRect(index, LabelTextHeight(tab.m_label));
    if (!m_editor.CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, r, GetHwnd(), kEditorId))
        return TSE_OK;
    const std::string kept = tab.m_label;

    m_editor.Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_fontLabelBold.Get()), FALSE);
    m_editor.Send(EM_LIMITTEXT, kEditorMaxChars);
    m_editor.SetText(kept.c_str());
    ::SetFocus(m_editor);
    m_editor.Send(EM_SETSEL, 0, -1);
    m_editor.Send(EM_SCROLLCARET);
    if (byMouse) ::ReleaseCapture();  // the press took it

    auto cancel = [&] {
        if (index < GetTabCount()) m_tabs[static_cast<size_t>(index)]->m_label = kept;
        ForgetLayout();
        m_editor.DestroyWindow();
        UpdateLayout(LAYOUT_FIT, m_nSelected);
        Repaint();
    };
    // True when the parent let the text stand and the editor is gone.
    auto accept = [&] {
        if (SendTabNotify(TSN_RENAMING, index, 0, 0) != 0 || gone) return false;
        if (m_nSelected >= 0) m_tabs[static_cast<size_t>(m_nSelected)]->m_label = m_editor.GetText();
        // Not laid out here when a click ends the edit: the next layout,
        // whatever starts it, measures the new label.
        ForgetLayout();
        m_editor.DestroyWindow();
        return true;
    };

    MSG msg{};
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The program is ending (or the queue is broken): drop the edit
            // and let the application's own loop see its quit message.
            cancel();
            if (got == 0) ::PostQuitMessage(static_cast<int>(msg.wParam));
            return TSE_OK;
        }
        Step step = Step::Dispatch;
        const HWND editor = m_editor.GetHwnd();
        switch (msg.message) {
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE) {
                cancel();
                step = Step::End;
            } else if (msg.wParam == VK_RETURN) {
                step = Step::Swallow;
                if (accept()) {
                    UpdateLayout(LAYOUT_FIT, index);
                    Repaint();
                    step = Step::End;
                }
            }
            break;
        case WM_NCLBUTTONDOWN:
            step = accept() ? Step::DispatchAndEnd : Step::Swallow;
            break;
        case WM_LBUTTONDOWN:
            if (msg.hwnd == GetHwnd()) {
                const int x = static_cast<short>(LOWORD(msg.lParam));
                const int y = static_cast<short>(HIWORD(msg.lParam));
                if (TabFromPoint(x, y) == m_nSelected)
                    step = Step::Swallow;
                else
                    step = accept() ? Step::DispatchAndEnd : Step::Swallow;
            } else if (msg.hwnd != editor) {
                step = accept() ? Step::End : Step::Swallow;
            }
            break;
        case WM_LBUTTONUP:
            if (msg.hwnd != editor) step = Step::Swallow;
            break;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            step = Step::Swallow;
            break;
        }
        if (gone) return TSE_OK;
        if (step == Step::Dispatch || step == Step::DispatchAndEnd) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
            if (gone) return TSE_OK;
        }
        if (step == Step::End || step == Step::DispatchAndEnd) return TSE_OK;
        // The control or its parent was destroyed, taking the editor along.
        if (!m_editor.IsCreated()) {
            if (index < GetTabCount()) m_tabs[static_cast<size_t>(index)]->m_label = kept;
            ForgetLayout();
            return TSE_OK;
        }
    }
}

void CCustomTabCtrl::OnEditorUpdate() {
    if (!m_editor.IsCreated() || m_nSelected < 0) return;
    m_tabs[static_cast<size_t>(m_nSelected)]->m_label = m_editor.GetText();
    ForgetLayout();
    UpdateLayout(LAYOUT_EDITOR, m_nSelected);
    Repaint();
}

void CCustomTabCtrl::PlaceEditor(int x0, int index) {
    if (!m_editor.IsCreated() || index < 0 || index >= GetTabCount()) return;
    const int W = GetClientRect().right;
    const std::string& label = m_tabs[static_cast<size_t>(index)]->m_label;
    RECT r{};
    for (;;) {
        // "X": an empty label still measures one line.
        r = EditorRect(index, LabelTextHeight(label + "X"));
        if (r.right <= W) break;
        if (m_nSelected > m_nScrollPos) {
            ++m_nScrollPos;
            MeasureTabs();
            PlaceTabs(x0);
            continue;
        }
        r.right = W;
        break;
    }
    m_editor.MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, true);

    // Typing at the end: show the beginning of the text, then scroll only as
    // far as the caret needs.
    DWORD start = 0, end = 0;
    m_editor.Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start == end && end == label.size()) {
        m_editor.Send(EM_SETSEL, 0, 0);
        m_editor.Send(EM_SCROLLCARET);
        m_editor.Send(EM_SETSEL, end, end);
        m_editor.Send(EM_SCROLLCARET);
    }
}
