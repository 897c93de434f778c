// Bars and views keep the frame they were made for: whichever object goes
// first, the other is not left pointing at it.
#include "framework/FrameWindow.h"
#include "framework/StandardIds.h"
#include "framework/StatusBar.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class PlainFrame : public fw::FrameWindow {
public:
    PlainFrame() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProbeletFrameLinksTest";
        fw::RegisterWindowClass(wc);
        CreateEx(0, wc.lpszClassName, "frame", WS_OVERLAPPEDWINDOW, RECT{0, 0, 300, 200}, nullptr, 0);
    }
};

TEST(FrameLinks, ABarThatGoesFirstLeavesItsFrame) {
    PlainFrame frame;
    ASSERT_TRUE(frame.IsCreated());
    {
        fw::StatusBar bar;
        ASSERT_TRUE(bar.Create(frame));
        EXPECT_EQ(bar.GetFrame(), &frame);
        EXPECT_EQ(frame.GetControlBar(IDW_STATUS_BAR), &bar);
    }
    EXPECT_EQ(frame.GetControlBar(IDW_STATUS_BAR), nullptr);
    // Neither reaches the bar that went.
    frame.SetMessageText("no bar");
    frame.RecalcLayout();
    frame.OnIdleUpdateCmdUI();
}

TEST(FrameLinks, BarsAndViewsThatOutliveTheirFrameForgetIt) {
    fw::StatusBar bar;
    fw::View view;
    auto frame = std::make_unique<PlainFrame>();
    ASSERT_TRUE(bar.Create(*frame));
    fw::ViewArgs args;
    args.parent = frame->GetHwnd();
    args.frame = frame.get();
    ASSERT_TRUE(view.Create(args));
    EXPECT_EQ(view.GetFrame(), frame.get());
    frame.reset();  // takes the windows of both down
    EXPECT_EQ(bar.GetFrame(), nullptr);
    EXPECT_EQ(view.GetFrame(), nullptr);
    EXPECT_FALSE(bar.IsCreated());
    EXPECT_FALSE(view.IsCreated());
}

}  // namespace
