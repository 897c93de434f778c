// Toolbar: the common toolbar control with its buttons taken from a toolbar
// description resource and its bitmap, tooltips and status prompts from the
// string table ("prompt\ntooltip"), a gripper by which the user drags it to
// another side of its frame, and buttons enabled and checked by the commands'
// idle-time state.
#pragma once

#include "framework/ControlBar.h"

#include <commctrl.h>

#include <string>

namespace fw {

class ToolBar : public ControlBar {
public:
    static constexpr int kGripper = 8;  // room for the gripper along the leading edge
    static constexpr int kBorder = 2;

    // style: window styles plus bar styles (ControlBar.h); controlStyle: TBSTYLE_ bits.
    bool CreateEx(HWND parent, DWORD controlStyle, DWORD style, const RECT& borders, UINT id);
    // Buttons from the toolbar description `id` and images from bitmap `id`.
    bool LoadToolBar(UINT id);

    int GetButtonCount() const;
    UINT GetItemID(int index) const;  // 0 for a separator
    RECT GetItemRect(int index) const;

    void SetDockSide(DWORD side) override;
    int CalcThickness(int length) override;
    void OnUpdateCmdUI(FrameWindow* target) override;

    // The tooltip and status prompt of a command (parts of its string).
    static std::string Tooltip(UINT id);
    static std::string Prompt(UINT id);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedNotify(NMHDR* nm, LRESULT* result) override;

private:
    void WrapButtons(bool vertical);
    SIZE ButtonsExtent() const;
    RECT GripperRect() const;  // window coordinates
    void PaintNonClient();
    void EndDrag(POINT screen);

    bool m_dragging = false;
};

}  // namespace fw
