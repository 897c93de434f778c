// CCustomTabCtrl: an owner-drawn, scrollable single row of trapezoid tabs with
// two or four scroll buttons at its left end. It reports what the user does to
// its parent with WM_NOTIFY (NMTABSTRIP).
#pragma once

#include "framework/Handles.h"
#include "framework/ToolTipCtrl.h"
#include "framework/Window.h"
#include "tabstrip/TabEntry.h"
#include "tabstrip/TabNotify.h"
#include "tabstrip/TabPaintCache.h"
#include "tabstrip/TabStripDefs.h"

#include <uxtheme.h>

#include <array>
#include <climits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// Thrown by the constructor when the window class cannot be registered.
class TabStripResourceException : public std::runtime_error {
public:
    TabStripResourceException() : std::runtime_error("cannot register window class CCustomTabCtrl") {}
};

// What Create makes; set only what differs from a visible child without tab styles.
struct TabStripArgs {
    HWND parent = nullptr;
    UINT id = 0;
    DWORD tabStyle = 0;                         // TSS_ bits
    DWORD windowStyle = WS_CHILD | WS_VISIBLE;  // WS_ bits
    RECT rect{};
};

class CCustomTabCtrl : public fw::Window {
public:
    CCustomTabCtrl();
    ~CCustomTabCtrl() override;

    // Registers "CCustomTabCtrl" once per module; throws when it cannot.
    static BOOL RegisterTabStripClass();

    BOOL Create(const TabStripArgs& args);
    // The same with the TSS_ bits among the window style's.
    BOOL Create(DWORD style, const RECT& rect, HWND parent, UINT id);

    // A null or unrealisable font falls back to Microsoft Sans Serif, height 12.
    void SetLabelFont(const LOGFONTA* font, BOOL redraw);
    // Keeps copies; the caller keeps its own cursors.
    void SetReorderCursors(HCURSOR move, HCURSOR copy);

    int GetSelectedTab() const { return m_nSelected; }
    int GetTabCount() const { return static_cast<int>(m_tabs.size()); }

    // Tab operations: 0 or an index on success, a TSE_ code on failure.
    int InsertTab(int index, const std::string& label, DWORD_PTR data);
    int MoveTab(int from, int to, BOOL notify);
    int DuplicateTab(int from, int to, BOOL notify);
    int SelectTab(int index);
    int ApplySelection(int index, BOOL byMouse, BOOL ctrl);
    int MarkTab(int index, BOOL byMouse, BOOL toggle);
    int GetTabData(int index, DWORD_PTR& data) const;
    // index -4..-1 are the first, previous, next and last buttons.
    int SetTabTip(int index, const std::string& text);
    // Returns the parent's reply.
    LRESULT SendTabNotify(UINT code, int iTab, int x, int y);

    // Geometry.
    void UpdateLayout(int mode, int index);
    int TabFromPoint(int x, int y) const;

    // Edits the current tab's label in place, in a message loop of its own;
    // returns once editing has ended (TSE_OK) or a TSE_ code.
    int BeginRename(int index, BOOL byMouse);
    // Relays mouse messages to the tooltip control.
    bool PreTranslateMessage(MSG* msg) override;
    // Composes the whole strip into dc (what a paint copies to the screen).
    void PaintStrip(HDC dc);

    // Read access for painting, the view and tests.
    const CTabEntry* GetTabEntry(int index) const;
    int GetScrollPos() const { return m_nScrollPos; }
    int GetButtonState(int hitCode) const;  // TSHT_HOME..TSHT_END
    RECT GetButtonRect(int hitCode) const;  // empty for a button the style lacks
    HFONT GetLabelFont() const { return m_fontLabel; }
    HFONT GetLabelFontBold() const { return m_fontLabelBold; }
    HCURSOR GetReorderCursor() const { return m_hReorderCursor; }
    HCURSOR GetDuplicateCursor() const { return m_hDuplicateCursor; }
    HBITMAP GetArrowBitmap() const { return m_bmpArrows; }
    HWND GetToolTipWindow() const { return m_tips.GetHwnd(); }
    HWND GetEditorWindow() const { return m_editor.GetHwnd(); }
    int GetPressTarget() const { return m_nPressTarget; }
    int GetDropPos() const { return m_nDropPos; }
    const COLORREF* GetGlyphColors() const { return m_crGlyph; }
    bool IsThemed() const { return m_hbmScrollLeft.Get() != nullptr; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void PreSubclassWindow() override;

    void OnSize(UINT type, int cx, int cy);
    void OnDestroy();

    // Mouse and timers.
    void OnLButtonDown(UINT flags, POINT pt);
    void OnLButtonDblClk(UINT flags, POINT pt);
    void OnLButtonUp(UINT flags, POINT pt);
    void OnRButtonDown(UINT flags, POINT pt);
    void OnMouseMove(UINT flags, POINT pt);
    LRESULT OnMouseLeave();
    void OnCaptureChanged(HWND gaining);
    void EndDragCursor();
    void OnTimer(UINT_PTR id);
    int PressAt(int hit, UINT flags, int x, int y);

    // What the held left button is doing. Only the drag timer moves a press
    // from Pending on, and the drop and the marker follow it.
    enum class Press {
        None,          // no press, or one that can do nothing while held
        ScrollButton,  // a scroll button held: m_nPressTarget is its hit code
        Pending,       // tab m_nPressTarget held, the drag delay not over yet
        Dragging,      // moving that tab: the move cursor shows
        Copying,       // copying that tab: the copy cursor shows
    };
    void StartPress(Press press, int target);
    void EndPress();
    bool TabPressed() const { return m_press == Press::Pending || DropShown(); }
    bool DropShown() const { return m_press == Press::Dragging || m_press == Press::Copying; }

    // Painting.
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    // One glyph (0 first .. 3 last) at `at`, transparently, in m_crGlyph[colour].
    void DrawArrowGlyph(HDC dc, POINT at, int glyph, int colour);
    // The whole strip into mem, a W x H surface in a new DC's state.
    void ComposeStrip(HDC mem, int W, int H);

    // Visual style: the scroll buttons' images and glyph colours.
    LRESULT OnThemeChanged();
    // A nine-grid copy of image 0..3 of the left (first, previous) or the
    // right (next, last) strip into rc.
    void DrawThemedButton(HDC dc, const RECT& rc, bool rightHand, int image);

    // Label editing.
    void OnEditorUpdate();

    // Label widths and rectangles at the origin; the last shape's right edge.
    int MeasureTabs();
    // Positions, kinds, regions and tool areas, the first shown tab at x0.
    void PlaceTabs(int x0);
    void PlaceEditor(int x0, int index);

private:
    DWORD TabStyle() const { return GetStyle() & 0xFF; }
    int ButtonCount() const { return (TabStyle() & TSS_FOURARROWS) ? 4 : 2; }
    int* ButtonStateMember(int hitCode);
    // Rectangles at the origin from the widths of the last MeasureTabs.
    int ResetToOrigin(int height);
    void PlaceTabsGeometry(int x0, int height);
    // Regions and tool areas of tabs first..last from their rectangles.
    void FinishPlacement(int first = 0, int last = INT_MAX);
    void RePlace(int bw, int height);
    // UpdateLayout without its bookkeeping.
    void LayOut(int mode, int index);
    // What a layout depends on besides what only the tab operations change
    // (the tabs, the selection, the scroll position) and the labels and the
    // font (which forget the layout when they change).
    struct LayoutKey {
        int width = -1;  // -1: no layout stands
        int height = -1;
        DWORD style = 0;
        bool operator==(const LayoutKey& o) const {
            return width == o.width && height == o.height && style == o.style;
        }
    };
    LayoutKey CurrentLayoutKey() const;
    // After a label or font changed outside a layout: the next one is full.
    void ForgetLayout() { m_laidOutFor = LayoutKey{}; }
    // LAYOUT_FIT would leave every tab where it is.
    bool FitKeepsLayout() const;
    bool FitKeepsLayout(const LayoutKey& key) const;
    // InsertTab's layout when only the new tab and those after it move;
    // false when the strip must be laid out in full.
    bool PlaceInsertedTab(int index);
    // The label's own width, with the DC kept for measuring.
    void MeasureLabel(CTabEntry& tab);
    HDC MeasureDC();
    // Re-adds the tools of tabs first..last from their texts. `shifted`: an
    // insert at first moved them one place right.
    void SyncTabTools(int first, int last, bool shifted);
    RECT ButtonToolArea(int hitCode, bool shown) const;
    void SetButtonToolRects(bool shown);
    // Invalidates the client area once until the next WM_PAINT.
    void Repaint();
    void DropPaintCaches();
    // Label editing: the loop of BeginRename, and the editor's place.
    int RunRename(int index, BOOL byMouse, const bool& gone);
    int LabelTextHeight(const std::string& text);
    RECT EditorRect(int index, int textHeight) const;

    fw::Cursor m_hReorderCursor;
    fw::Cursor m_hDuplicateCursor;
    fw::Font m_fontLabel;
    fw::Font m_fontLabelBold;  // measures every label
    // The bold font the kept label widths were measured with.
    LOGFONTA m_lfMeasured{};
    bool m_bMeasuredWithFont = false;
    int m_nSelected = -1;
    int m_nScrollPos = 0;  // first tab shown whole after the buttons
    int m_nDropPos = 0;    // insertion position while a tab is dragged
    int m_stateBack = ARROW_HIDDEN;
    int m_stateFwd = ARROW_HIDDEN;
    int m_stateHome = ARROW_HIDDEN;
    int m_stateEnd = ARROW_HIDDEN;
    Press m_press = Press::None;
    int m_nPressTarget = TSHT_NONE;  // TSHT_NONE while m_press is None
    // Counts layouts that moved, reshaped, showed or hid anything: a held
    // button's repeat repaints only after a step that did.
    unsigned m_layoutRevision = 0;
    LayoutKey m_laidOutFor;
    // Set by Repaint, cleared by WM_PAINT: InvalidateRect asks the server
    // (10 to 40 us under Wine), more than the rest of an insert costs.
    bool m_repaintAsked = false;
    DWORD m_dwRepeatTick = 0;
    COLORREF m_crGlyph[4] = {};
    fw::Bitmap m_bmpArrows;  // four 8x7 glyphs, monochrome
    fw::Bitmap m_hbmScrollLeft;
    BOOL m_bScrollLeftHorz = FALSE;
    MARGINS m_mrgScrollLeft{};
    MARGINS m_mrgScrollRight{};
    fw::Bitmap m_hbmScrollRight;
    BOOL m_bScrollRightHorz = FALSE;
    // Kept from paint to paint; after the bitmaps they hold selected, so that
    // they go first. Dropped when the system colours or the style change.
    tabstrip::BackBuffer m_backBuffer;
    tabstrip::GlyphSheet m_glyphSheet;
    fw::MemoryDC m_themeStripDC;  // DrawThemedButton's source
    fw::ToolTipCtrl m_tips;
    fw::Window m_editor;
    std::vector<std::unique_ptr<CTabEntry>> m_tabs;  // display order
    // The areas the scroll buttons' tooltip tools have now (first .. last).
    struct ButtonTool {
        RECT area{};
        bool known = false;  // false: send the area at the next layout
    };
    std::array<ButtonTool, 4> m_buttonTools{};
    // A memory DC with the bold font, for measuring without a window DC
    // (GetDC asks the server); dropped with the font.
    fw::MemoryDC m_measureDC;
    // Set while BeginRename runs: the destructor tells its loop it is gone.
    bool* m_pRenameGone = nullptr;
};
