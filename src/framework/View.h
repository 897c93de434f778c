// View: a child window that fills a pane of a frame and takes part in the
// frame's view activation and initial update.
#pragma once

#include "framework/CmdUI.h"
#include "framework/ListCtrl.h"
#include "framework/StandardIds.h"
#include "framework/Window.h"

namespace fw {

class FrameWindow;
class Splitter;

struct ViewArgs {
    HWND parent = nullptr;
    UINT id = IDW_PANE_FIRST;
    DWORD style = WS_CHILD | WS_VISIBLE;
    RECT rect{};
    // The frame the view belongs to (its active view, its initial update),
    // and the splitter whose pane it is; either may be null.
    FrameWindow* frame = nullptr;
    Splitter* splitter = nullptr;
};

class View : public Window {
public:
    ~View() override;

    // Creates the view's window; the default uses a plain class of our own.
    virtual bool Create(const ViewArgs& args);
    // Sent once the frame and all its views exist (and again whenever the
    // frame asks for it).
    virtual void OnInitialUpdate() {}
    // Called on both views when the frame's active view changes.
    virtual void OnActivateView(bool activate, View* activated, View* deactivated) {}
    // Paints the view; views made of controls leave it empty.
    virtual void OnDraw(HDC dc) {}
    // Command routing (CmdUI.h); a view answers the next/previous pane
    // commands of the splitter it sits in.
    virtual bool OnCmdMsg(UINT id, CmdUI* ui);

    // The frame given at creation; null without one or once it is gone.
    FrameWindow* GetFrame() const { return m_frame; }

protected:
    // Makes the window of a class and links the view to its frame and splitter.
    bool CreateViewWindow(const char* className, const ViewArgs& args);
    // False for views whose window is a control that paints itself.
    virtual bool DrawsWithOnDraw() const { return true; }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A click into the view or into a control of it makes the view the frame's
    // active view (or activates it again when the focus is elsewhere).
    LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);

private:
    friend class FrameWindow;  // forgets itself in the views it outlives
    FrameWindow* m_frame = nullptr;
    Splitter* m_splitter = nullptr;
};

// A view whose window is a list-view control.
class ListView : public ListCtrlOps<View> {
public:
    bool Create(const ViewArgs& args) override { return CreateViewWindow(WC_LISTVIEWA, args); }

protected:
    bool DrawsWithOnDraw() const override { return false; }
};

}  // namespace fw
