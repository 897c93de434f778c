// CWDXView: the inspection view, the right-hand pane of the main frame. A list
// of the current plugin's fields above a strip with one tab per plugin that
// the host has installed; it inspects the current file with the plugin of the
// tab that becomes current.
#pragma once

#include "framework/View.h"
#include "inspect/FieldListCtrl.h"
#include "inspect/FieldRows.h"
#include "inspect/InspectionRun.h"
#include "hostconfig/PluginList.h"
#include "tabstrip/CustomTabCtrl.h"

#include <vector>

class CWDXView : public fw::View, public InspectionState {
public:
    static constexpr UINT kFieldsId = 1;
    static constexpr UINT kTabsId = 2;

    CWDXView() = default;
    ~CWDXView() override;

    bool Create(const fw::ViewArgs& args) override;
    void OnInitialUpdate() override;
    void OnActivateView(bool activate, fw::View* activated, fw::View* deactivated) override;
    void OnDraw(HDC dc) override {}

    // For the main frame, before the initial update: the strip's reorder
    // cursor (the strip keeps a copy).
    void SetDragCursor(HCURSOR cursor) { m_dragCursor = cursor; }
    // For the main frame. SetCurrentFile refuses (FALSE, nothing changes) a
    // path longer than 259 characters: a cut path would be another file.
    // Asked while a run is in progress (a plugin's own message loop, or one
    // of ours), the file, the tab or both wait for its end, the latest
    // request winning.
    BOOL SetCurrentFile(const char* path);
    // The file last asked for: the current one, or one waiting for a run's end.
    const char* RequestedFile() const;
    void NextPlugin();
    void PreviousPlugin();
    // For the main frame's close: true while a run is in progress, whose
    // plugin may still have its code on the stack; the main window is then
    // asked to close again when the run ends, and nothing waiting runs first.
    bool DeferClose();
    void LayoutChildren();

    void InspectTab(int position);
    BOOL FindHostIni();
    void LoadPluginTabs();

    // Plugin path blocks held for the tabs; none once the window is gone.
    size_t GetPathBlockCount() const { return m_pathBlocks.size(); }

    BOOL m_bInitialized = FALSE;
    CFieldListCtrl m_wndFields;
    CCustomTabCtrl m_wndTabs;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy();
    void OnSize(UINT type, int cx, int cy);
    bool OnKeyDown(UINT key);
    void OnTabSelChange();

private:
    bool IsPluginTab(int position) const;
    void InspectLibrary(int position);

    // The tabs' data words point into these.
    std::vector<hostconfig::PluginPathBlock> m_pathBlocks;
    ViewReport m_report{m_wndFields};
    HCURSOR m_dragCursor = nullptr;
    // A run releases the plugin held so far: never while one is in progress,
    // whose plugin may still have its code on the stack.
    bool m_inspecting = false;
    bool m_requestWaiting = false;
    bool m_fileWaiting = false;
    bool m_closeWaiting = false;
    char m_szWaitingFile[MAX_PATH] = "";
};
