// Toolbar: the common toolbar control with its buttons taken from a toolbar
// description resource and its bitmap, tooltips and status prompts from the
// string table ("prompt\ntooltip"), a gripper by which the user drags it to
// another side of its frame, and buttons enabled and checked by the commands'
// idle-time state.
#pragma once

#include "framework/ControlBar.h"
#include "framework/StandardIds.h"

#include <commctrl.h>

#include <string>

namespace fw {

struct ToolBarArgs {
    UINT id = IDW_TOOLBAR;
    DWORD barStyle = kBarAlignTop | kBarGripper;  // kBar bits (ControlBar.h)
    DWORD controlStyle = TBSTYLE_FLAT;             // TBSTYLE_ bits
    DWORD windowStyle = WS_CHILD | WS_VISIBLE;
};

class ToolBar : public ControlBar {
public:
    static constexpr int kGripper = 8;  // room for the gripper along the leading edge
    static constexpr int kBorder = 2;

    // Makes the bar as a child of frame and one of its bars.
    bool Create(FrameWindow& frame, const ToolBarArgs& args = {});
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
