// Mouse and timers: pressing tabs and scroll buttons, auto-repeat, hot and
// pressed button states, dragging a tab to move or copy it.
#include "tabstrip/CustomTabCtrl.h"
#include "tabstrip/TabStripInternal.h"

#include <algorithm>

using tabstrip::InRect;

namespace {

bool CtrlDown() { return ::GetKeyState(VK_CONTROL) < 0; }

int ButtonMode(int hitCode) {
    switch (hitCode) {
    case TSHT_HOME: return LAYOUT_HOME;
    case TSHT_BACK: return LAYOUT_BACK;
    case TSHT_FWD: return LAYOUT_FWD;
    default: return LAYOUT_END;
    }
}

// First, previous, next, last: the order buttons are looked at in.
constexpr int kButtons[] = {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END};

}  // namespace

void CCustomTabCtrl::StartPress(Press press, int target) {
    m_press = press;
    m_nPressTarget = target;
}

void CCustomTabCtrl::EndPress() {
    m_press = Press::None;
    m_nPressTarget = TSHT_NONE;
}

void CCustomTabCtrl::OnLButtonDown(UINT flags, POINT pt) {
    const int hit = TabFromPoint(pt.x, pt.y);
    SendTabNotify(TSN_PRESS, hit, pt.x, pt.y);
    PressAt(hit, flags, pt.x, pt.y);
}

int CCustomTabCtrl::PressAt(int hit, UINT flags, int x, int y) {
    ::SetCapture(GetHwnd());
    if (hit == TSHT_NONE || hit < TSHT_NONE) {
        EndPress();
        return hit;
    }
    if (hit < 0) {
        StartPress(Press::ScrollButton, hit);
        *ButtonStateMember(hit) = ARROW_PRESSED;
        UpdateLayout(ButtonMode(hit), m_nSelected);  // the first step at once
        Repaint();
        m_dwRepeatTick = ::GetTickCount();
        ::SetTimer(GetHwnd(), TIMER_REPEAT, kRepeatTickMs, nullptr);
        return hit;
    }

    const bool ctrl = (flags & MK_CONTROL) != 0;
    const DWORD style = TabStyle();
    const bool draggable = ((style & TSS_REORDER) && !ctrl && m_hReorderCursor) ||
                           ((style & TSS_DUPLICATE) && ctrl && m_hDuplicateCursor);
    if (draggable) {
        StartPress(Press::Pending, hit);
        m_nDropPos = hit;
        ::SetTimer(GetHwnd(), TIMER_DRAG, kDragDelayMs, nullptr);
    } else {
        EndPress();
    }

    if ((style & TSS_MULTIMARK) && ctrl) {
        MarkTab(hit, TRUE, TRUE);
    } else {
        const bool changed = hit != m_nSelected;
        ApplySelection(hit, TRUE, ctrl ? TRUE : FALSE);
        if (changed) SendTabNotify(TSN_SELECT, m_nSelected, x, y);
    }
    // The parent may have changed the strip while handling TSN_SELECT.
    for (int i = 0; i < GetTabCount(); ++i)
        if (m_tabs[static_cast<size_t>(i)]->m_bMarkChanged) SendTabNotify(TSN_MARK, i, x, y);
    return hit;
}

void CCustomTabCtrl::OnLButtonDblClk(UINT flags, POINT pt) {
    const int r = PressAt(TabFromPoint(pt.x, pt.y), flags, pt.x, pt.y);
    if (r >= 0) {
        EndPress();  // a double-click never drags
        // The press may have scrolled the strip away from under the pointer.
        if (TabFromPoint(pt.x, pt.y) == r) BeginRename(r, TRUE);
    }
}

void CCustomTabCtrl::OnLButtonUp(UINT flags, POINT pt) {
    if (m_stateHome || m_stateBack || m_stateFwd || m_stateEnd) {
        m_stateHome = m_stateBack = m_stateFwd = m_stateEnd = ARROW_NORMAL;
        Repaint();
        ::KillTimer(GetHwnd(), TIMER_REPEAT);
    }
    if (TabPressed()) {
        // A click shorter than the drag delay drops nothing; Ctrl let go or
        // pressed since the last tick of the drag timer drops nothing either.
        const bool marker = DropShown();
        if (m_press == Press::Copying && CtrlDown())
            DuplicateTab(m_nPressTarget, m_nDropPos, TRUE);
        else if (m_press == Press::Dragging && !CtrlDown())
            MoveTab(m_nPressTarget, m_nDropPos, TRUE);
        // A drop at the tab's own place repaints nothing by itself, and the
        // marker must go.
        if (marker) Repaint();
        EndDragCursor();
    }
    EndPress();
    if (::GetCapture() == GetHwnd()) ::ReleaseCapture();
}

void CCustomTabCtrl::OnCaptureChanged(HWND gaining) {
    // Someone else took the mouse in the middle of a press (a message box
    // shown by the parent while it handled a notification): the button-up
    // will never come, so the press ends here instead of dragging on.
    if (gaining == GetHwnd()) return;
    if (m_press == Press::None && m_stateHome != ARROW_PRESSED && m_stateBack != ARROW_PRESSED &&
        m_stateFwd != ARROW_PRESSED && m_stateEnd != ARROW_PRESSED)
        return;
    EndPress();
    ::KillTimer(GetHwnd(), TIMER_REPEAT);
    ::KillTimer(GetHwnd(), TIMER_DRAG);
    EndDragCursor();
    for (int code : kButtons)
        if (int& state = *ButtonStateMember(code); state == ARROW_PRESSED) state = ARROW_NORMAL;
    Repaint();
}

void CCustomTabCtrl::EndDragCursor() {
    // Nothing resets the cursor while the mouse is captured. Only our own
    // drag cursor is taken back: one the parent has set meanwhile stays.
    const HCURSOR shown = ::GetCursor();
    if (shown && (shown == m_hReorderCursor || shown == m_hDuplicateCursor))
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
}

void CCustomTabCtrl::OnRButtonDown(UINT flags, POINT pt) {
    SendTabNotify(TSN_RPRESS, TabFromPoint(pt.x, pt.y), pt.x, pt.y);
}

void CCustomTabCtrl::OnMouseMove(UINT flags, POINT pt) {
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, GetHwnd(), 0};
    ::_TrackMouseEvent(&tme);

    // A move that changes no button's look and no drop place repaints nothing.
    bool changed = false;
    const bool four = ButtonCount() == 4;
    for (int code : kButtons) {
        if (!four && (code == TSHT_HOME || code == TSHT_END)) continue;
        int& state = *ButtonStateMember(code);
        if (state == ARROW_HIDDEN) continue;
        int next = ARROW_NORMAL;
        if (InRect(GetButtonRect(code), pt)) {
            if (m_press == Press::ScrollButton && m_nPressTarget == code)
                next = ARROW_PRESSED;
            else if (m_press == Press::None && !(flags & MK_LBUTTON))
                next = ARROW_HOT;
        }
        changed = changed || state != next;
        state = next;
    }
    if (changed) Repaint();

    if (!TabPressed()) return;
    const int count = GetTabCount();
    if (count == 0) return;
    const RECT client = GetClientRect();
    const int q = client.bottom / 4;
    if (m_nDropPos >= count) {
        m_nDropPos = count - 1;
        if (DropShown()) Repaint();  // the marker moves
    }
    const RECT label = m_tabs[static_cast<size_t>(m_nDropPos)]->m_rcLabel;
    if (pt.x >= client.right) {
        ++m_nDropPos;
        UpdateLayout(LAYOUT_FWD, std::min(m_nDropPos, count - 1));
        Repaint();
    } else if (pt.x >= label.right + q) {
        ++m_nDropPos;
        UpdateLayout(LAYOUT_SHOW, std::min(m_nDropPos, count - 1));
        Repaint();
    } else if (pt.x < label.left - q) {
        if (m_nDropPos > 0) --m_nDropPos;
        UpdateLayout(LAYOUT_SHOW, m_nDropPos);
        Repaint();
    }
}

LRESULT CCustomTabCtrl::OnMouseLeave() {
    if (m_stateBack != ARROW_HIDDEN || m_stateFwd != ARROW_HIDDEN) {
        m_stateHome = m_stateBack = m_stateFwd = m_stateEnd = ARROW_NORMAL;
        Repaint();
        ::KillTimer(GetHwnd(), TIMER_REPEAT);
    }
    return 0;
}

void CCustomTabCtrl::OnTimer(UINT_PTR id) {
    if (id == TIMER_REPEAT) {
        const bool four = ButtonCount() == 4;
        for (int code : kButtons) {
            if (!four && (code == TSHT_HOME || code == TSHT_END)) continue;
            if (*ButtonStateMember(code) != ARROW_PRESSED) continue;
            // Unsigned: right across the tick count's wrap.
            if (::GetTickCount() - m_dwRepeatTick < kRepeatStepMs) continue;
            const unsigned revision = m_layoutRevision;
            UpdateLayout(ButtonMode(code), m_nSelected);
            // Held at either end, a step moves nothing.
            if (m_layoutRevision != revision) Repaint();
            m_dwRepeatTick = ::GetTickCount();
            break;  // one step per tick
        }
        return;
    }
    if (id != TIMER_DRAG) return;
    ::KillTimer(GetHwnd(), TIMER_DRAG);
    if (!TabPressed()) return;  // the press has ended
    ::SetTimer(GetHwnd(), TIMER_DRAG, kDragTickMs, nullptr);
    const Press before = m_press;
    const DWORD style = TabStyle();
    const bool ctrl = CtrlDown();
    // Ctrl switches a drag between copy and move, as far as the style allows.
    // The cursor is set on every tick: nothing else shows it while captured.
    if ((style & TSS_DUPLICATE) && ctrl && m_hDuplicateCursor) {
        ::SetCursor(m_hDuplicateCursor);
        m_press = Press::Copying;
    } else if ((style & TSS_REORDER) && !ctrl && m_hReorderCursor) {
        ::SetCursor(m_hReorderCursor);
        m_press = Press::Dragging;
    } else {
        EndPress();
        if (::GetCapture() == GetHwnd()) ::ReleaseCapture();
        ::KillTimer(GetHwnd(), TIMER_DRAG);
        EndDragCursor();
    }
    // The marker comes with the first tick and goes with the press; the
    // ticks in between repaint nothing.
    if (m_press != before) Repaint();
}
