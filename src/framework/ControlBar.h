// A bar along one side of a frame (toolbar, status bar). The frame lays its
// bars out around the pane and asks them to update their commands when idle.
// A bar is made for one frame and keeps it: it joins the frame's bars when
// its window is made and leaves them when the object goes.
#pragma once

#include "framework/Window.h"

namespace fw {

class FrameWindow;

// Bar styles, given apart from the window styles when a bar is created.
constexpr DWORD kBarSizeDynamic = 0x0004;
constexpr DWORD kBarTooltips = 0x0010;   // buttons show tooltips
constexpr DWORD kBarFlyBy = 0x0020;      // the status bar shows the prompt of the button under the pointer
constexpr DWORD kBarBorderTop = 0x0200;
constexpr DWORD kBarBorderBottom = 0x0800;
constexpr DWORD kBarAlignLeft = 0x1000;
constexpr DWORD kBarAlignTop = 0x2000;
constexpr DWORD kBarAlignRight = 0x4000;
constexpr DWORD kBarAlignBottom = 0x8000;
constexpr DWORD kBarAlignAny = 0xF000;
constexpr DWORD kBarGripper = 0x00400000;
// The bits above.
constexpr DWORD kBarStyleBits = 0x0040FFFF;

class ControlBar : public Window {
public:
    ~ControlBar() override;

    // The frame the bar was made for; null once that frame is gone.
    FrameWindow* GetFrame() const { return m_frame; }
    DWORD GetBarStyle() const { return m_barStyle; }
    void SetBarStyle(DWORD style) { m_barStyle = style & kBarStyleBits; }
    // The side the bar sits on (one kBarAlign bit).
    DWORD GetDockSide() const { return m_barStyle & kBarAlignAny; }
    bool IsHorizontal() const { return (m_barStyle & (kBarAlignTop | kBarAlignBottom)) != 0; }
    // Sides the user may drag the bar to (none: the bar stays where it is).
    void EnableDocking(DWORD sides) { m_dockSides = sides & kBarAlignAny; }
    DWORD GetDockingSides() const { return m_dockSides; }
    // Moves the bar to another side; the frame lays out afterwards.
    virtual void SetDockSide(DWORD side);

    // Thickness across the bar's side (height of a horizontal bar, width of a
    // vertical one) for a side `length` pixels long.
    virtual int CalcThickness(int length) = 0;
    // Bars laid out first take the outer strips (the status bar below the toolbar).
    virtual bool IsOutermost() const { return false; }
    virtual void OnUpdateCmdUI(FrameWindow* target) {}
    bool IsVisible() const { return ::IsWindowVisible(GetHwnd()) != FALSE; }

protected:
    // Called by a bar's Create once its window exists.
    void JoinFrame(FrameWindow& frame);

    DWORD m_barStyle = 0;
    DWORD m_dockSides = 0;

private:
    friend class FrameWindow;  // forgets itself in the bars it outlives
    FrameWindow* m_frame = nullptr;
};

}  // namespace fw
