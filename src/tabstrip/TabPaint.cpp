// Painting: tab shapes, arrow glyphs, the strip composed off screen.
#include "tabstrip/CustomTabCtrl.h"

namespace {

// End point excluded, as LineTo always does.
void Line(HDC dc, HPEN pen, POINT from, POINT to) {
    ::SelectObject(dc, pen);
    ::MoveToEx(dc, from.x, from.y, nullptr);
    ::LineTo(dc, to.x, to.y);
}

fw::Pen SolidPen(int sysColor) { return fw::Pen(::CreatePen(PS_SOLID, 1, ::GetSysColor(sysColor))); }

struct PaintButton {
    RECT rc;
    int state;
    int glyph;
    bool rightHand;  // next and last take the right-hand theme strip
};

}  // namespace

int CTabEntry::GetOutlinePoints(const RECT& shape, POINT (&points)[4]) const {
    const LONG L = shape.left, T = shape.top, R = shape.right, B = shape.bottom;
    const LONG h = B - T;
    switch (m_kind) {
    case TK_EDGE_SELECTED:
    case TK_EDGE:
        points[0] = {L, B};
        points[1] = {L + h / 2, T};
        return 2;
    case TK_FULL:
    case TK_COVERED:
        points[0] = {L, T};
        points[1] = {L + h / 2, B};
        points[2] = {R - h / 2, B};
        points[3] = {R, T};
        return 4;
    default:
        return 0;
    }
}

void CTabEntry::DrawTab(HDC dc, HFONT font) const {
    const bool light = m_bSelected || m_bMarked;
    const COLORREF fill = ::GetSysColor(light ? COLOR_WINDOW : COLOR_BTNFACE);
    const COLORREF text = ::GetSysColor(light ? COLOR_WINDOWTEXT : COLOR_BTNTEXT);
    const fw::Brush brush(::CreateSolidBrush(fill));
    const fw::Pen outline = SolidPen(COLOR_BTNTEXT);
    const fw::Pen shadow = SolidPen(COLOR_BTNSHADOW);

    POINT q[4] = {};
    const int count = GetOutlinePoints(m_rcShape, q);
    ::FillRgn(dc, m_region, brush);
    // Declared after the pens so the old pen is back before they are deleted.
    const fw::SelectScope pen(dc, outline);
    if (count == 4) {
        Line(dc, outline, q[0], q[1]);
        Line(dc, shadow, q[1], q[2]);
        // The inner line shades every tab but the current one, which joins
        // the area above the strip.
        if (!m_bSelected) Line(dc, shadow, {q[2].x - 1, q[2].y}, {q[3].x - 1, q[3].y});
        Line(dc, outline, q[2], q[3]);

        const LONG h = m_rcShape.bottom - m_rcShape.top;
        RECT rc = {m_rcShape.left + h / 2, m_rcShape.top + 2, m_rcShape.right - h / 2, m_rcShape.bottom - 2};
        const COLORREF oldBk = ::SetBkColor(dc, fill);
        const COLORREF oldText = ::SetTextColor(dc, text);
        {
            const fw::SelectScope labelFont(dc, font);
            ::DrawTextA(dc, m_label.c_str(), static_cast<int>(m_label.size()), &rc,
                        DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        ::SetTextColor(dc, oldText);
        ::SetBkColor(dc, oldBk);
    } else if (count == 2) {
        Line(dc, outline, q[0], q[1]);
        if (!m_bSelected) Line(dc, shadow, {q[0].x - 1, q[0].y}, {q[1].x - 1, q[1].y});
    }
}

void CCustomTabCtrl::DrawArrowGlyph(HDC dc, POINT at, int glyph, int colour) {
    if (glyph < 0 || glyph > 3 || colour < 0 || colour > 3) return;
    // The sheet follows m_crGlyph by itself: classic glyphs take the button
    // text colour of each paint, whether or not WM_SYSCOLORCHANGE came.
    if (m_glyphSheet.Prepare(dc, m_bmpArrows, m_crGlyph)) m_glyphSheet.Draw(dc, at, glyph, colour);
}

void CCustomTabCtrl::DropPaintCaches() {
    m_backBuffer.Reset();
    m_glyphSheet.Reset();
    m_themeStripDC.Reset();
}

BOOL CCustomTabCtrl::OnEraseBkgnd(HDC) {
    // The paint covers every pixel; erasing first would only flicker.
    return TRUE;
}

void CCustomTabCtrl::OnPaint() {
    const fw::PaintDC dc(GetHwnd());
    // The update region is empty now: the next change must ask again.
    m_repaintAsked = false;
    PaintStrip(dc);
}

void CCustomTabCtrl::Repaint() {
    // The whole client area is invalid until WM_PAINT, so asking again
    // before it would change nothing. (Should someone validate the strip
    // from outside meanwhile, a change waits for the next paint.)
    if (m_repaintAsked) return;
    Invalidate(false);
    m_repaintAsked = true;
}

void CCustomTabCtrl::PaintStrip(HDC target) {
    if (!m_hbmScrollLeft)
        for (COLORREF& c : m_crGlyph) c = ::GetSysColor(COLOR_BTNTEXT);
    const RECT client = GetClientRect();
    const int W = client.right;
    const int H = client.bottom;
    if (W <= 0 || H <= 0) return;
    const HDC mem = m_backBuffer.Prepare(target, W, H);
    if (!mem) return;
    ComposeStrip(mem, W, H);
    ::BitBlt(target, 0, 0, W, H, mem, 0, 0, SRCCOPY);
    m_backBuffer.Release(mem);
}

void CCustomTabCtrl::ComposeStrip(HDC mem, int W, int H) {
    const RECT client = {0, 0, W, H};
    const fw::Pen outline = SolidPen(COLOR_BTNTEXT);
    const fw::SelectScope pen(mem, outline);

    const int n = ButtonCount();
    {
        const fw::Brush face(::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE)));
        ::FillRect(mem, &client, face);
    }

    // Button area: its frame, then each face with its glyph.
    const bool buttons = m_stateBack != ARROW_HIDDEN && m_stateFwd != ARROW_HIDDEN;
    const int X0 = n * (H - 3) + 3;
    if (buttons) {
        // A new memory DC's brush is white: the frame's inside is white.
        ::Rectangle(mem, 0, 1, X0, H);
        // These differ from the hit-test rectangles: they sit inside the frame.
        const PaintButton first = {{1, 2, H - 2, H - 1}, m_stateHome, 0, false};
        PaintButton order[4];
        int count = 0;
        if (n == 4) {
            order[count++] = first;
            order[count++] = {{3 * H - 7, 2, 4 * H - 10, H - 1}, m_stateEnd, 3, true};
            order[count++] = {{H - 2, 2, 2 * H - 5, H - 1}, m_stateBack, 1, false};
            order[count++] = {{2 * H - 4, 2, 3 * H - 7, H - 1}, m_stateFwd, 2, true};
        } else {
            order[count++] = {first.rc, m_stateBack, 1, false};
            order[count++] = {{H - 1, 2, 2 * H - 4, H - 1}, m_stateFwd, 2, true};
        }
        for (int i = 0; i < count; ++i) {
            PaintButton& b = order[i];
            const POINT at = {b.rc.left + (b.rc.right - b.rc.left - 8) / 2,
                              b.rc.top + (b.rc.bottom - b.rc.top - 7) / 2};
            if (b.rightHand ? m_hbmScrollRight.Get() : m_hbmScrollLeft.Get()) {
                DrawThemedButton(mem, b.rc, b.rightHand, b.state - 1);
            } else {
                // The classic next button closes the one-pixel gap after previous.
                if (b.glyph == 2) --b.rc.left;
                ::DrawFrameControl(mem, &b.rc, DFC_BUTTON,
                                   DFCS_BUTTONPUSH | (b.state == ARROW_PRESSED ? DFCS_PUSHED : 0));
            }
            DrawArrowGlyph(mem, at, b.glyph, b.state - 1);
        }
    }

    // The current tab goes last so that it lies over both neighbours. Tabs
    // starting past the right edge would draw nothing but cost their pens.
    for (const auto& tab : m_tabs)
        if (tab->m_kind != TK_HIDDEN && !tab->m_bSelected && tab->m_rcShape.left < W)
            tab->DrawTab(mem, tab->m_bMarked ? m_fontLabelBold : m_fontLabel);
    const CTabEntry* current = GetTabEntry(m_nSelected);
    if (current && current->m_kind == TK_HIDDEN) current = nullptr;
    if (current) current->DrawTab(mem, m_fontLabelBold);

    // Top line, open over the current tab.
    const int X = buttons ? X0 : 0;
    if (current) {
        Line(mem, outline, {X, 1}, {current->m_rcShape.left, 1});
        Line(mem, outline, {current->m_rcShape.right, 1}, {W, 1});
    } else {
        Line(mem, outline, {X, 1}, {W, 1});
    }

    // Drop marker: a downward triangle over the insertion point.
    const int tabCount = GetTabCount();
    if (DropShown() && tabCount > 0 && m_nDropPos >= 0 && m_nDropPos <= tabCount) {
        int x = m_nDropPos == tabCount ? m_tabs.back()->m_rcLabel.right + H / 4 - 3
                                       : m_tabs[static_cast<size_t>(m_nDropPos)]->m_rcLabel.left - H / 4 - 3;
        if (x >= W - 7) x = W - 7;
        for (int row = 0; row < 4; ++row) Line(mem, outline, {x + row, 1 + row}, {x + 7 - row, 1 + row});
    }
}
