// CTabEntry: one tab of the strip, owned by the control.
#pragma once

#include "framework/Handles.h"
#include "tabstrip/TabStripDefs.h"

#include <windows.h>

#include <string>

class CTabEntry {
public:
    CTabEntry(std::string label, DWORD_PTR data) : m_label(std::move(label)), m_data(data) {}
    CTabEntry(const CTabEntry&) = delete;
    CTabEntry& operator=(const CTabEntry&) = delete;

    // The tab's polygon for its kind, from a shape rectangle.
    void GetShapePoints(const RECT& shape, POINT (&points)[6]) const;
    // Replaces the region by the polygon of m_rcShape and m_kind.
    void UpdateRegion();
    // UpdateRegion, unless the region already has that polygon; true when it did.
    bool RefreshRegion();
    // The outline's corners for the kind; the number of points (0, 2 or 4).
    int GetOutlinePoints(const RECT& shape, POINT (&points)[4]) const;
    // Fills the region, outlines the tab and draws its label with font.
    void DrawTab(HDC dc, HFONT font) const;

    std::string m_label;
    DWORD_PTR m_data = 0;  // the caller's; never interpreted
    RECT m_rcShape{};      // client coordinates; source of the polygon
    RECT m_rcLabel{};      // label, tooltip area and editor place; empty unless shown
    fw::Region m_region;   // hit-test area
    BYTE m_kind = TK_HIDDEN;
    BOOL m_bSelected = FALSE;
    BOOL m_bMarked = FALSE;
    BOOL m_bMarkChanged = FALSE;  // set by the last marking step

    // The tooltip text lives here too: the tooltip control's ANSI read-back is
    // capped at 80 bytes on some comctl32 versions, and plugin paths are longer.
    std::string m_tip;
    int m_nLabelWidth = 0;  // from the last MeasureTabs, reused while scrolling
    RECT m_rcTool{};        // area the tooltip tool has now; only changes are sent
    bool m_hasTool = false;  // the tooltip control has a tool with this tab's id

    // With many tabs, measuring and region building for every tab on every
    // layout made inserting n tabs cost n squared system calls; a layout now
    // redoes them only for a tab whose label or polygon changed.
    std::string m_measuredLabel;  // what m_nTextWidth is the width of
    int m_nTextWidth = 0;         // the label's own width, TSS_EQUALWIDTH aside
    bool m_bMeasured = false;     // false: measure at the next layout
    POINT m_regionPoints[6]{};    // the polygon m_region was made from

    // How often the label was measured and the region built: for tests.
    int m_nMeasureCount = 0;
    int m_nRegionCount = 0;
};
