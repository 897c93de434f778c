// Geometry of the strip: scroll buttons, tab positions and kinds, regions,
// hit testing.
#include "tabstrip/CustomTabCtrl.h"
#include "tabstrip/TabStripInternal.h"

#include <algorithm>
#include <cstring>
#include <new>

using tabstrip::InRect;
using tabstrip::MoveRect;
using tabstrip::SameRect;
using tabstrip::ToolId;

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
    for (auto& tab : m_tabs)
        if (!tab->m_bMeasured || tab->m_measuredLabel != tab->m_label) MeasureLabel(*tab);
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

HDC CCustomTabCtrl::MeasureDC() {
    if (!m_measureDC) {
        // Text measures the same in any DC of the screen with the same font.
        m_measureDC.Reset(::CreateCompatibleDC(nullptr));
        if (m_measureDC && m_fontLabelBold) ::SelectObject(m_measureDC, m_fontLabelBold);
    }
    return m_measureDC;
}

void CCustomTabCtrl::MeasureLabel(CTabEntry& tab) {
    RECT rc{};
    const std::string& label = tab.m_label;
    const HDC dc = MeasureDC();
    tab.m_nTextWidth = dc && ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT)
                           ? static_cast<int>(rc.right - rc.left)
                           : 0;
    ++tab.m_nMeasureCount;
    try {
        tab.m_measuredLabel = label;
        tab.m_bMeasured = true;
    } catch (const std::bad_alloc&) {
        tab.m_bMeasured = false;  // measured again next time, that is all
    }
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

void CCustomTabCtrl::FinishPlacement(int first, int last) {
    const bool tips = m_tips.IsCreated();
    const int end = std::min(last, GetTabCount() - 1);
    for (int i = std::max(first, 0); i <= end; ++i) {
        CTabEntry& tab = *m_tabs[static_cast<size_t>(i)];
        // Every visible change of a tab's place or kind changes its polygon.
        if (tab.RefreshRegion()) ++m_layoutRevision;
        // Each message to the tooltip costs more than the whole placement of
        // a tab (it searches every tool); most tabs are scrolled away and keep
        // their empty area, and a tab without a tip has no tool to move.
        if (tips && tab.m_hasTool && !SameRect(tab.m_rcTool, tab.m_rcLabel)) {
            m_tips.SetToolRect(GetHwnd(), ToolId(i + 1), tab.m_rcLabel);
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

RECT CCustomTabCtrl::ButtonToolArea(int hitCode, bool shown) const {
    const bool used = shown && (ButtonCount() == 4 || hitCode == TSHT_BACK || hitCode == TSHT_FWD);
    return used ? GetButtonRect(hitCode) : RECT{};
}

void CCustomTabCtrl::SetButtonToolRects(bool shown) {
    if (!m_tips.IsCreated()) return;
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) {
        const RECT area = ButtonToolArea(code, shown);
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
    const int pos = m_nScrollPos;
    const bool buttons = m_stateBack != ARROW_HIDDEN;
    // The key stands once the layout has run to its end (a bad_alloc may
    // cut it short).
    ForgetLayout();
    const LayoutKey key = CurrentLayoutKey();
    LayOut(mode, index);
    m_laidOutFor = key;
    if (pos != m_nScrollPos || buttons != (m_stateBack != ARROW_HIDDEN)) ++m_layoutRevision;
}

CCustomTabCtrl::LayoutKey CCustomTabCtrl::CurrentLayoutKey() const {
    const RECT client = GetClientRect();
    return LayoutKey{client.right, client.bottom, TabStyle()};
}

void CCustomTabCtrl::LayOut(int mode, int index) {
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

bool CCustomTabCtrl::FitKeepsLayout() const { return IsCreated() && FitKeepsLayout(CurrentLayoutKey()); }

bool CCustomTabCtrl::FitKeepsLayout(const LayoutKey& key) const {
    if (!(key == m_laidOutFor)) return false;
    // With nothing changed since, the buttons stay as the last layout put
    // them; without them the strip cannot scroll.
    const int count = GetTabCount();
    if (m_stateBack == ARROW_HIDDEN || count == 0) return true;
    // FIT steps back while the last tab ends short of the right edge, then
    // undoes the step that made it reach the edge.
    const int W = key.width;
    const int h = key.height;
    const int lastRight = m_tabs.back()->m_rcShape.right;
    if (lastRight >= W || m_nScrollPos == 0) return true;
    // One step back moves the shown tabs right by the advance of the tab
    // before them (now a sliver: its width is the label's).
    const int advance = (h + m_tabs[static_cast<size_t>(m_nScrollPos - 1)]->m_nLabelWidth + 4) - h / 2;
    return lastRight + advance >= W;
}

bool CCustomTabCtrl::PlaceInsertedTab(int index) {
    const int count = GetTabCount();
    if (count < 2 || index < m_nScrollPos || m_stateBack == ARROW_HIDDEN) return false;
    const LayoutKey key = CurrentLayoutKey();
    if (!(key == m_laidOutFor)) return false;
    const int h = key.height;
    CTabEntry& tab = *m_tabs[static_cast<size_t>(index)];
    MeasureLabel(tab);
    int width = tab.m_nTextWidth;
    if (key.style & TSS_EQUALWIDTH) {
        // A wider label than all others widens every tab.
        const int common = m_tabs[index == 0 ? 1 : 0]->m_nLabelWidth;
        if (width > common) return false;
        width = common;
    }
    tab.m_nLabelWidth = width;

    // The shown tabs lie side by side from the buttons' right edge on.
    const int bw = (h - 3) * ((key.style & TSS_FOURARROWS) ? 4 : 2) + 3;
    int x = bw;
    if (index > m_nScrollPos) {
        const RECT& prev = m_tabs[static_cast<size_t>(index - 1)]->m_rcShape;
        x = prev.right - h / 2;
    }
    tab.m_rcShape = {x, 1, x + h + width + 4, h - 1};
    tab.m_rcLabel = {x + h / 2, 1, x + h / 2 + width + 4, h - 1};
    const int advance = (h + width + 4) - h / 2;
    // The tab before a new last one is the last no more.
    const int first = index == count - 1 ? std::max(index - 1, m_nScrollPos) : index;
    for (int i = first; i < count; ++i) {
        CTabEntry& t = *m_tabs[static_cast<size_t>(i)];
        if (i > index) {
            MoveRect(t.m_rcShape, advance);
            MoveRect(t.m_rcLabel, advance);
        }
        t.m_kind = (i == m_nSelected || i == count - 1) ? TK_FULL : TK_COVERED;
    }
    // Laid out in full (from the origin) where FIT would scroll.
    if (!FitKeepsLayout(key)) return false;
    FinishPlacement(first, count - 1);
    return true;
}

int CCustomTabCtrl::TabFromPoint(int x, int y) const {
    const bool four = ButtonCount() == 4;
    if (four && m_stateHome != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_HOME), {x, y})) return TSHT_HOME;
    if (m_stateBack != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_BACK), {x, y})) return TSHT_BACK;
    if (m_stateFwd != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_FWD), {x, y})) return TSHT_FWD;
    if (four && m_stateEnd != ARROW_HIDDEN && InRect(GetButtonRect(TSHT_END), {x, y})) return TSHT_END;
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
