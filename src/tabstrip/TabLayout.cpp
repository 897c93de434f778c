// Geometry of the strip: scroll buttons, tab positions and kinds, regions,
// hit testing.
#include "tabstrip/CustomTabCtrl.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool InRect(const RECT& r, int x, int y) {
    return r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

UINT_PTR ToolId(int id) { return static_cast<UINT_PTR>(static_cast<INT_PTR>(id)); }

// Rectangle arithmetic in place: a layout of many tabs makes no calls for
// tabs whose geometry it does not change.
bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
void MoveRect(RECT& r, int dx) {
    r.left += dx;
    r.right += dx;
}

}  // namespace

RECT CCustomTabCtrl::GetButtonRect(int hitCode) const {
    const LONG h = IsCreated() ? GetClientRect().bottom : 0;
    if (ButtonCount() == 4) {
        switch (hitCode) {
        case TSHT_HOME: return {0, 0, h - 2, h};
        case TSHT_BACK: return {h - 2, 0, 2 * h - 5, h};
        case TSHT_FWD: return {2 * h - 5, 0, 3 * h - 7, h};
        case TSHT_END: return {3 * h - 7, 0, 4 * h - 9, h};
        default: return {};
        }
    }
    switch (hitCode) {
    case TSHT_BACK: return {0, 0, h - 2, h};
    case TSHT_FWD: return {h - 2, 0, 2 * h - 3, h};
    default: return {};
    }
}

int CCustomTabCtrl::MeasureTabs() {
    if (!IsCreated()) return 0;
    const int h = GetClientRect().bottom;
    // Another font measures every label again; one of the same description
    // (SetLabelFont makes a new handle each time) measures them the same.
    LOGFONTA lf{};
    const bool font = m_fontLabelBold && ::GetObjectA(m_fontLabelBold, sizeof lf, &lf) > 0;
    if (font != m_bMeasuredWithFont || (font && std::memcmp(&lf, &m_lfMeasured, sizeof lf) != 0)) {
        for (auto& tab : m_tabs) tab->m_bMeasured = false;
        m_lfMeasured = lf;
        m_bMeasuredWithFont = font;
    }
    auto stale = [](const CTabEntry& tab) { return !tab.m_bMeasured || tab.m_measuredLabel != tab.m_label; };
    if (std::any_of(m_tabs.begin(), m_tabs.end(), [&](const auto& tab) { return stale(*tab); })) {
        fw::WindowDC dc(GetHwnd());
        fw::SelectScope select(dc, m_fontLabelBold);
        for (auto& tab : m_tabs) {
            if (!stale(*tab)) continue;
            RECT rc{};
            const std::string& label = tab->m_label;
            tab->m_nTextWidth = ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT)
                                    ? static_cast<int>(rc.right - rc.left)
                                    : 0;
            ++tab->m_nMeasureCount;
            try {
                tab->m_measuredLabel = label;
                tab->m_bMeasured = true;
            } catch (const std::bad_alloc&) {
                tab->m_bMeasured = false;  // measured again next time, that is all
            }
        }
    }
    int widest = 0;
    for (const auto& tab : m_tabs) widest = std::max(widest, tab->m_nTextWidth);
    const bool equal = (TabStyle() & TSS_EQUALWIDTH) != 0;
    for (auto& tab : m_tabs) tab->m_nLabelWidth = equal ? widest : tab->m_nTextWidth;
    return ResetToOrigin(h);
}

int CCustomTabCtrl::ResetToOrigin(int h) {
    // Each tab overlaps its right neighbour by h/2.
    int x = 0;
    int right = 0;
    for (auto& tab : m_tabs) {
        const int w = tab->m_nLabelWidth;
        tab->m_rcShape = {x, 1, x + h + w + 4, h - 1};
        tab->m_rcLabel = {x + h / 2, 1, x + h / 2 + w + 4, h - 1};
        right = tab->m_rcShape.right;
        x += (h + w + 4) - h / 2;
    }
    return right;
}

void CCustomTabCtrl::PlaceTabsGeometry(int x0, int h) {
    const int bw = (h - 3) * ButtonCount() + 3;
    const int count = GetTabCount();
    int off = x0;
    for (int i = 0; i < count; ++i) {
        CTabEntry& tab = *m_tabs[static_cast<size_t>(i)];
        const int advance = (tab.m_rcShape.right - tab.m_rcShape.left) - h / 2;
        if (i < m_nScrollPos - 1) {
            tab.m_kind = TK_HIDDEN;
            off -= advance;
            tab.m_rcLabel = RECT{};
        } else if (i == m_nScrollPos - 1) {
            tab.m_kind = (i == m_nSelected) ? TK_EDGE_SELECTED : TK_EDGE;
            off -= advance;
            tab.m_rcShape = {bw, 1, bw + h / 2, h - 1};
            tab.m_rcLabel = RECT{};
        } else {
            tab.m_kind = (i == m_nSelected || i == count - 1) ? TK_FULL : TK_COVERED;
            MoveRect(tab.m_rcShape, off);
            MoveRect(tab.m_rcLabel, off);
        }
    }
}

void CCustomTabCtrl::FinishPlacement() {
    const bool tips = m_tips.IsCreated();
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        CTabEntry& tab = *m_tabs[i];
        tab.RefreshRegion();
        // Each message to the tooltip costs more than the whole placement of
        // a tab; most tabs are scrolled away and keep their empty area.
        if (tips && !SameRect(tab.m_rcTool, tab.m_rcLabel)) {
            m_tips.SetToolRect(GetHwnd(), ToolId(static_cast<int>(i) + 1), tab.m_rcLabel);
            tab.m_rcTool = tab.m_rcLabel;
        }
    }
}

void CCustomTabCtrl::PlaceTabs(int x0) {
    if (!IsCreated()) return;
    PlaceTabsGeometry(x0, GetClientRect().bottom);
    FinishPlacement();
}

void CCustomTabCtrl::RePlace(int bw, int h) {
    // The labels were measured once for this layout; scrolling only moves
    // rectangles, so the origin geometry is rebuilt from the kept widths.
    ResetToOrigin(h);
    PlaceTabsGeometry(bw, h);
}

void CCustomTabCtrl::SetButtonToolRects(bool shown) {
    if (!m_tips.IsCreated()) return;
    const RECT none{};
    const bool four = ButtonCount() == 4;
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) {
        const bool used = shown && (four || code == TSHT_BACK || code == TSHT_FWD);
        const RECT area = used ? GetButtonRect(code) : none;
        // Like the tabs' areas, only changes are sent: a layout per inserted
        // tab would otherwise send four messages each time.
        ButtonTool& tool = m_buttonTools[static_cast<size_t>(-code - 1)];
        if (tool.known && SameRect(tool.area, area)) continue;
        m_tips.SetToolRect(GetHwnd(), ToolId(code), area);
        tool = ButtonTool{area, true};
    }
}

void CCustomTabCtrl::UpdateLayout(int mode, int index) {
    if (!IsCreated()) return;
    const RECT client = GetClientRect();
    const int W = client.right;
    const int h = client.bottom;
    const int count = GetTabCount();
    const int total = MeasureTabs();

    if ((TabStyle() & TSS_HIDEARROWS) && (count < 2 || total <= W)) {
        m_stateBack = m_stateFwd = m_stateHome = m_stateEnd = ARROW_HIDDEN;
        m_nScrollPos = 0;
        PlaceTabsGeometry(0, h);
        FinishPlacement();
        if (mode == LAYOUT_EDITOR) PlaceEditor(0, index);
        SetButtonToolRects(false);
        return;
    }

    SetButtonToolRects(true);
    const int bw = (h - 3) * ButtonCount() + 3;
    for (int* state : {&m_stateBack, &m_stateFwd, &m_stateHome, &m_stateEnd})
        if (*state == ARROW_HIDDEN) *state = ARROW_NORMAL;
    if (count == 0) return;

    const int last = count - 1;
    auto lastRight = [&] { return static_cast<int>(m_tabs[static_cast<size_t>(last)]->m_rcShape.right); };

    switch (mode) {
    case LAYOUT_HOME:
        m_nScrollPos = 0;
        RePlace(bw, h);
        break;
    case LAYOUT_BACK:
        PlaceTabsGeometry(bw, h);
        if (m_nScrollPos > 0) {
            --m_nScrollPos;
            RePlace(bw, h);
        }
        break;
    case LAYOUT_FWD:
        PlaceTabsGeometry(bw, h);
        if (lastRight() > W && m_nScrollPos != last) {
            ++m_nScrollPos;
            RePlace(bw, h);
        }
        break;
    case LAYOUT_SHOW: {
        PlaceTabsGeometry(bw, h);
        if (index < 0 || index > last) break;
        const CTabEntry& tab = *m_tabs[static_cast<size_t>(index)];
        if (tab.m_kind == TK_EDGE_SELECTED || tab.m_kind == TK_EDGE) {
            --m_nScrollPos;
            RePlace(bw, h);
        } else if (tab.m_kind == TK_HIDDEN) {
            // Scrolled away further left: bring it back as the first shown tab.
            m_nScrollPos = index;
            RePlace(bw, h);
        } else {
            while (m_nScrollPos < index && tab.m_kind == TK_FULL && tab.m_rcShape.right > W &&
                   tab.m_rcShape.left > bw) {
                ++m_nScrollPos;
                RePlace(bw, h);
            }
        }
        break;
    }
    case LAYOUT_EDITOR:
        PlaceTabsGeometry(bw, h);
        FinishPlacement();
        PlaceEditor(bw, index);
        return;
    case LAYOUT_END:
        m_nScrollPos = last;
        [[fallthrough]];
    default:  // LAYOUT_FIT and unknown modes
        PlaceTabsGeometry(bw, h);
        if (lastRight() < W) {
            // Step back while there is room at the right end, then undo the
            // step that made the last tab reach the edge (or went below 0).
            while (m_nScrollPos >= 0 && lastRight() < W) {
                --m_nScrollPos;
                if (m_nScrollPos >= 0) RePlace(bw, h);
            }
            ++m_nScrollPos;
            RePlace(bw, h);
        }
        break;
    }
    FinishPlacement();
}

int CCustomTabCtrl::TabFromPoint(int x, int y) const {
    const bool four = ButtonCount() == 4;
    if (four && m_stateHome != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_HOME), x, y)) return TSHT_HOME;
    if (m_stateBack != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_BACK), x, y)) return TSHT_BACK;
    if (m_stateFwd != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_FWD), x, y)) return TSHT_FWD;
    if (four && m_stateEnd != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_END), x, y)) return TSHT_END;
    for (size_t i = 0; i < m_tabs.size(); ++i) {
        const CTabEntry& tab = *m_tabs[i];
        if (tab.m_kind != TK_HIDDEN && tab.m_region && ::PtInRegion(tab.m_region, x, y))
            return static_cast<int>(i);
    }
    return TSHT_NONE;
}

void CCustomTabCtrl::OnSize(UINT type, int cx, int cy) {
    if (cx != 0 && cy != 0) UpdateLayout(LAYOUT_FIT, m_nSelected);
}
