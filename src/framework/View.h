// View: a child window that fills a pane of a frame and takes part in the
// frame's view activation and initial update.
#pragma once

#include "framework/CmdUI.h"
#include "framework/ListCtrl.h"
#include "framework/Window.h"

namespace fw {

class View : public Window {
public:
    // Creates the view's window; the default uses a plain class of our own.
    virtual bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);
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

protected:
    // False for views whose window is a control that paints itself.
    virtual bool DrawsWithOnDraw() const { return true; }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // A click into the view or into a control of it makes the view the frame's
    // active view (or activates it again when the focus is elsewhere).
    LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
};

// A view whose window is a list-view control.
class ListView : public ListCtrlOps<View> {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) override {
        return CreateEx(0, WC_LISTVIEWA, "", style, rect, parent, id);
    }

protected:
    bool DrawsWithOnDraw() const override { return false; }
};

}  // namespace fw
