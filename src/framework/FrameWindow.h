// Frame window: a top-level window loaded from resources (title string, menu,
// accelerators, icon) that lays out its control bars around one pane, keeps the
// active view, routes commands (active view, frame, application) and updates
// their menu items and bar buttons.
#pragma once

#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/View.h"
#include "framework/Window.h"

#include <string>
#include <vector>

namespace fw {

class StatusBar;

// Frame style bit: the title would name the document; kept off the window.
constexpr DWORD kFrameAddToTitle = 0x00008000;
// Message to a frame: show the prompt of string wParam (or the text at lParam
// when wParam is 0) in the status bar's message pane.
constexpr UINT kSetMessageString = 0x0362;

class FrameWindow : public Window {
public:
    ~FrameWindow() override;

    // Creates the frame from resource id: title from string id, menu and
    // accelerators id, icon id; then gives every view its initial update.
    bool LoadFrame(UINT id, DWORD style = WS_OVERLAPPEDWINDOW | kFrameAddToTitle, HWND parent = nullptr);

    View* GetActiveView() const { return m_activeView; }
    // The old view is told first, then (with notify) the new one.
    void SetActiveView(View* view, bool notify = true);

    // Places the bars along their sides and the pane (child IDW_PANE_FIRST) in the rest.
    virtual void RecalcLayout(bool notify = true);
    // Command routing: the active view, then the frame itself, then the application.
    virtual bool OnCmdMsg(UINT id, CmdUI* ui);

    void OnIdleUpdateCmdUI();
    bool TranslateAccelerator(MSG* msg);

    void EnableDocking(DWORD sides) { m_dockSides = sides & kBarAlignAny; }
    DWORD GetDockingSides() const { return m_dockSides; }
    // Puts the bar on a side (0: its own or the first allowed of top, bottom, left, right).
    void DockControlBar(ControlBar* bar, DWORD side = 0);
    void ShowControlBar(ControlBar* bar, bool show);
    // The frame's bar with window id `id`, or null.
    ControlBar* GetControlBar(UINT id) const;

    // The message pane of the frame's status bar (the one last made for it).
    void SetMessageText(const std::string& text);
    void SetMessageText(UINT id);  // the prompt part of string id
    void SetMessageBar(StatusBar* bar) { m_messageBar = bar; }

    void SendInitialUpdate();

protected:
    // May change the creation parameters; false stops the creation.
    virtual bool PreCreateWindow(CREATESTRUCTA& cs);
    // Makes the client area (the pane); false makes the creation fail.
    virtual bool OnCreateClient(CREATESTRUCTA* cs) { return true; }
    // The frame's own commands: bar toggles and key indicators.
    virtual bool OnOwnCommand(UINT id, CmdUI* ui);

    int OnCreate(CREATESTRUCTA* cs);
    void OnSize(UINT type, int cx, int cy);
    void OnSetFocus(HWND lost);

    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Bars and views made for this frame join it, and leave it when they go.
    friend class ControlBar;
    friend class View;
    void AddControlBar(ControlBar& bar);
    void RemoveControlBar(ControlBar& bar);
    void AddView(View& view);
    void RemoveView(View& view);

    void OnInitMenuPopup(HMENU menu);
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);
    LRESULT OnWmCommand(WPARAM wParam, LPARAM lParam);

    HACCEL m_accelerators = nullptr;
    std::vector<ControlBar*> m_bars;  // in the order they were made
    std::vector<View*> m_views;
    StatusBar* m_messageBar = nullptr;
    View* m_activeView = nullptr;
    DWORD m_dockSides = 0;
    bool m_inLayout = false;
    bool m_created = false;  // WM_CREATE succeeded
};

}  // namespace fw
