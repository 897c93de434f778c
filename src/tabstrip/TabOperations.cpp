// Tab operations: inserting, moving, duplicating, selecting and marking tabs,
// tooltip texts and the notifications to the parent.
#include "tabstrip/CustomTabCtrl.h"
#include "tabstrip/TabCopyLabel.h"
#include "tabstrip/TabStripInternal.h"

#include <algorithm>
#include <cstring>
#include <new>

using tabstrip::ToolId;

namespace {

// The first copy label that no tab carries yet.
std::string CopyLabel(const std::string& label, const std::vector<std::unique_ptr<CTabEntry>>& tabs) {
    return tabstrip::CopyLabel(label, [&](const std::string& candidate) {
        return std::any_of(tabs.begin(), tabs.end(), [&](const auto& tab) { return tab->m_label == candidate; });
    });
}

}  // namespace

void CCustomTabCtrl::SyncTabTools(int first, int last, bool shifted) {
    if (!m_tips.IsCreated()) return;
    const RECT none{};
    const int count = GetTabCount();
    for (int i = std::max(first, 0); i <= last && i < count; ++i) {
        CTabEntry& tab = *m_tabs[static_cast<size_t>(i)];
        // Shifted, tool i + 1 is the one the next tab had before: it is
        // asked (a search through every tool) only if there is one. The
        // next tab's flag is read before the step for it overwrites it.
        const bool exists = !shifted || (i + 1 < count && m_tabs[static_cast<size_t>(i + 1)]->m_hasTool);
        if (exists) m_tips.DelTool(GetHwnd(), ToolId(i + 1));
        ::SetRectEmpty(&tab.m_rcTool);
        // The next layout gives the tool its area.
        tab.m_hasTool = !tab.m_tip.empty();
        if (tab.m_hasTool) m_tips.AddTool(GetHwnd(), ToolId(i + 1), tab.m_tip.c_str(), none);
    }
}

int CCustomTabCtrl::InsertTab(int index, const std::string& label, DWORD_PTR data) {
    const int count = GetTabCount();
    if (index < 0 || index > count) return TSE_BADINDEX;
    if (label.size() > TAB_MAX_LABEL) return TSE_LABELTOOLONG;
    try {
        auto entry = std::make_unique<CTabEntry>(label, data);
        // A failed insert leaves the array as it was.
        m_tabs.insert(m_tabs.begin() + index, std::move(entry));
    } catch (const std::bad_alloc&) {
        return TSE_NOMEMORY;
    }
    if (m_nSelected >= index) ++m_nSelected;  // the same tab stays current
    // The tabs from index on changed their ids; the new one has no tip.
    SyncTabTools(index, count, true);
    if (!PlaceInsertedTab(index)) UpdateLayout(LAYOUT_FIT, m_nSelected);
    Repaint();
    return index;
}

int CCustomTabCtrl::MoveTab(int from, int to, BOOL notify) {
    const int count = GetTabCount();
    if (from < 0 || from >= count || to < 0 || to > count) return TSE_BADINDEX;
    if (to == from || to == from + 1) return from;

    std::unique_ptr<CTabEntry> moving = std::move(m_tabs[static_cast<size_t>(from)]);
    m_tabs.erase(m_tabs.begin() + from);
    if (to > from) --to;
    // Capacity is unchanged from before the erase: this cannot allocate.
    m_tabs.insert(m_tabs.begin() + to, std::move(moving));
    SyncTabTools(std::min(from, to), std::max(from, to), false);

    // The moved tab becomes current, flag included, so that exactly the
    // current tab carries m_bSelected.
    for (auto& tab : m_tabs) tab->m_bSelected = FALSE;
    m_nSelected = to;
    m_tabs[static_cast<size_t>(to)]->m_bSelected = TRUE;

    UpdateLayout(LAYOUT_SHOW, to);
    Repaint();
    if (notify) SendTabNotify(TSN_MOVED, m_nSelected, 0, 0);
    return to;
}

int CCustomTabCtrl::DuplicateTab(int from, int to, BOOL notify) {
    const int count = GetTabCount();
    if (from < 0 || from >= count || to < 0 || to > count) return TSE_BADINDEX;
    std::string label;
    try {
        label = CopyLabel(m_tabs[static_cast<size_t>(from)]->m_label, m_tabs);
    } catch (const std::bad_alloc&) {
        if (notify) SendTabNotify(TSN_NOMEMORY, from, 0, 0);
        return TSE_NOMEMORY;
    }
    const int r = InsertTab(to, label, m_tabs[static_cast<size_t>(from)]->m_data);
    if (r >= 0) {
        SelectTab(r);
        if (notify) SendTabNotify(TSN_DUPLICATED, r, 0, 0);
    } else if (r == TSE_NOMEMORY && notify) {
        SendTabNotify(TSN_NOMEMORY, -1, 0, 0);
    }
    return r;
}

int CCustomTabCtrl::SelectTab(int index) { return ApplySelection(index, FALSE, FALSE); }

int CCustomTabCtrl::ApplySelection(int index, BOOL byMouse, BOOL ctrl) {
    if (index < 0 || index >= GetTabCount()) return TSE_BADINDEX;
    if (m_nSelected != -1) m_tabs[static_cast<size_t>(m_nSelected)]->m_bSelected = FALSE;
    m_nSelected = index;
    m_tabs[static_cast<size_t>(index)]->m_bSelected = TRUE;
    if (byMouse) {
        UpdateLayout(LAYOUT_SHOW, index);  // scroll only as far as needed
    } else {
        // The tab becomes the first shown, then the strip pulls back while
        // there is room at the right end.
        m_nScrollPos = index;
        UpdateLayout(LAYOUT_FIT, index);
    }
    Repaint();
    MarkTab(index, byMouse, ctrl);  // without TSS_MULTIMARK a no-op
    return TSE_OK;
}

int CCustomTabCtrl::MarkTab(int index, BOOL byMouse, BOOL toggle) {
    if (!(TabStyle() & TSS_MULTIMARK)) return TSE_NOMULTIMARKSTYLE;
    if (index < 0 || index >= GetTabCount()) return TSE_BADINDEX;
    for (auto& tab : m_tabs) tab->m_bMarkChanged = FALSE;
    CTabEntry& target = *m_tabs[static_cast<size_t>(index)];

    // An already marked tab (no toggle) and the current tab (toggle) keep
    // every mark as it is, but a press on them still shows the tab below.
    if (!toggle) {
        if (!target.m_bMarked) {
            target.m_bMarked = TRUE;
            target.m_bMarkChanged = TRUE;
            for (int i = 0; i < GetTabCount(); ++i) {
                CTabEntry& tab = *m_tabs[static_cast<size_t>(i)];
                if (i == index || i == m_nSelected || !tab.m_bMarked) continue;
                tab.m_bMarked = FALSE;
                if (byMouse) tab.m_bMarkChanged = TRUE;
            }
        }
    } else if (index != m_nSelected) {  // the current tab keeps its mark
        target.m_bMarked = !target.m_bMarked;
        if (!byMouse) {
            Repaint();
            return TSE_OK;
        }
        target.m_bMarkChanged = TRUE;
    }
    if (byMouse) UpdateLayout(LAYOUT_SHOW, index);
    Repaint();
    return TSE_OK;
}

int CCustomTabCtrl::GetTabData(int index, DWORD_PTR& data) const {
    if (index < 0 || index >= GetTabCount()) return TSE_BADINDEX;
    data = m_tabs[static_cast<size_t>(index)]->m_data;
    return TSE_OK;
}

int CCustomTabCtrl::SetTabTip(int index, const std::string& text) {
    if (!(TabStyle() & TSS_TIPS)) return TSE_NOTIPSSTYLE;
    if (index < TSHT_END || index >= GetTabCount()) return TSE_BADINDEX;
    if (!m_tips.IsCreated()) {
        if (!IsCreated() || !m_tips.Create(GetHwnd(), 0)) return TSE_NOTIPWINDOW;
        m_buttonTools = {};  // a new window has no tools yet
        for (auto& tab : m_tabs) tab->m_hasTool = false;
        m_tips.Activate(true);
    }
    CTabEntry* tab = index >= 0 ? m_tabs[static_cast<size_t>(index)].get() : nullptr;
    if (tab) {
        try {
            tab->m_tip = text;
        } catch (const std::bad_alloc&) {
            return TSE_NOMEMORY;
        }
    }
    // A tip changes nothing else: where FIT would move nothing, the tool gets
    // its area at once and the strip is not laid out again.
    const bool placed = FitKeepsLayout();
    const RECT area = !placed ? RECT{} : tab ? tab->m_rcLabel : ButtonToolArea(index, m_stateBack != ARROW_HIDDEN);
    const UINT_PTR id = ToolId(tab ? index + 1 : index);
    if (!tab || tab->m_hasTool) m_tips.DelTool(GetHwnd(), id);
    m_tips.AddTool(GetHwnd(), id, text.c_str(), area);
    if (tab) {
        tab->m_rcTool = area;
        tab->m_hasTool = true;
    } else {
        m_buttonTools[static_cast<size_t>(-index - 1)] = {area, placed};
    }
    if (!placed) UpdateLayout(LAYOUT_FIT, m_nSelected);  // sets the tool areas
    Repaint();
    return TSE_OK;
}

LRESULT CCustomTabCtrl::SendTabNotify(UINT code, int iTab, int x, int y) {
    NMTABSTRIP nm;
    std::memset(&nm, 0, sizeof nm);
    nm.hdr.hwndFrom = GetHwnd();
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    nm.hdr.code = code;
    nm.iTab = iTab;
    nm.pt = {x, y};
    if (const CTabEntry* tab = GetTabEntry(iTab)) {
        const size_t n = std::min(tab->m_label.size(), sizeof nm.label - 1);
        std::memcpy(nm.label, tab->m_label.data(), n);
        nm.data = tab->m_data;
        nm.rcLabel = tab->m_rcLabel;
        nm.selected = tab->m_bSelected;
        nm.marked = tab->m_bMarked;
    }
    HWND parent = GetParent();
    if (!parent) return 0;
    return ::SendMessageA(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}
