#include "TabStripFixture.h"

namespace {

TEST(TabStripOwnership, CountersSeeWhatIsMadeAndFreed) {
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    HBRUSH brush = ::CreateSolidBrush(0);
    HICON icon = ::CopyIcon(::LoadCursor(nullptr, IDC_ARROW));
    EXPECT_GT(GdiCount(), gdi);
    EXPECT_EQ(UserCount(), user + 1);
    ::DeleteObject(brush);
    ::DestroyIcon(icon);
    EXPECT_EQ(GdiCount(), gdi);
    EXPECT_EQ(UserCount(), user);
}

// One life of a control: made, filled, laid out in every way, reordered,
// copied, given tips, fonts and cursors, and destroyed.
void UseOneControl(HWND parent, HCURSOR move, HCURSOR copy) {
    CCustomTabCtrl tabs;
    ASSERT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TSS_TIPS | TSS_REORDER | TSS_DUPLICATE | TSS_MULTIMARK,
                            RECT{0, 0, 200, 20}, parent, 2));
    LOGFONTA lf{};
    lf.lfHeight = 14;
    std::strcpy(lf.lfFaceName, "Arial");
    tabs.SetLabelFont(&lf, TRUE);
    tabs.SetReorderCursors(move, copy);
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(tabs.InsertTab(i, "Plugin " + std::to_string(i), static_cast<DWORD_PTR>(i)), i);
        ASSERT_EQ(tabs.SetTabTip(i, "C:\\plugins\\p" + std::to_string(i) + ".wdx"), TSE_OK);
    }
    ASSERT_EQ(tabs.SetTabTip(TSHT_BACK, "Back"), TSE_OK);
    tabs.SelectTab(3);
    tabs.MoveTab(3, 9, TRUE);
    tabs.DuplicateTab(2, 0, TRUE);
    tabs.MarkTab(5, TRUE, TRUE);
    for (int mode = LAYOUT_BACK; mode <= LAYOUT_EDITOR; ++mode) tabs.UpdateLayout(mode, 4);
    tabs.TabFromPoint(50, 5);
    tabs.SetReorderCursors(copy, move);
    tabs.MoveWindow(0, 0, 300, 20);
    testsupport::PumpMessages();
}

// Objects the system makes for itself now and then (a cache filled by some
// unrelated message) would make an exact count flaky; what a control leaks
// shows a hundred times over, and again with every further hundred.
TEST(TabStripOwnership, HundredControlsLeaveNoGdiOrUserObjectsBehind) {
    testsupport::RecordingParent parent;
    HCURSOR move = ::LoadCursor(nullptr, IDC_SIZEALL);
    HCURSOR copy = ::LoadCursor(nullptr, IDC_CROSS);
    UseOneControl(parent, move, copy);  // first use: class, caches
    testsupport::PumpMessages();
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    auto useHundred = [&] {
        for (int i = 0; i < 100 && !::testing::Test::HasFatalFailure(); ++i) UseOneControl(parent, move, copy);
        testsupport::PumpMessages();
    };
    useHundred();
    if (HasFatalFailure()) return;
    const DWORD gdi100 = GdiCount();
    const DWORD user100 = UserCount();
    EXPECT_LE(gdi100, gdi + 1);
    EXPECT_EQ(user100, user);
    useHundred();
    EXPECT_LE(GdiCount(), gdi100);
    EXPECT_EQ(UserCount(), user100);
}

TEST(TabStripOwnership, DestroyingFreesEveryHandleItHeldAndLeavesDataAlone) {
    testsupport::RecordingParent parent;
    auto tabs = std::make_unique<CCustomTabCtrl>();
    ASSERT_TRUE(tabs->Create(WS_CHILD | TSS_TIPS, RECT{0, 0, 300, 20}, parent, 2));
    HCURSOR mine = static_cast<HCURSOR>(::CopyIcon(::LoadCursor(nullptr, IDC_SIZEALL)));
    tabs->SetReorderCursors(mine, mine);
    std::vector<std::unique_ptr<int>> blocks;
    for (int i = 0; i < 5; ++i) {
        blocks.push_back(std::make_unique<int>(1000 + i));
        ASSERT_EQ(tabs->InsertTab(i, "T" + std::to_string(i), reinterpret_cast<DWORD_PTR>(blocks.back().get())), i);
    }
    ASSERT_EQ(tabs->SetTabTip(0, "tip"), TSE_OK);

    std::vector<HGDIOBJ> gdi = {tabs->GetLabelFont(), tabs->GetLabelFontBold(), tabs->GetArrowBitmap()};
    for (int i = 0; i < 5; ++i) gdi.push_back(tabs->GetTabEntry(i)->m_region);
    const HCURSOR cursors[] = {tabs->GetReorderCursor(), tabs->GetDuplicateCursor()};
    const HWND tips = tabs->GetToolTipWindow();
    const HWND window = tabs->GetHwnd();
    for (HGDIOBJ h : gdi) ASSERT_NE(::GetObjectType(h), 0u);

    tabs.reset();
    for (HGDIOBJ h : gdi) EXPECT_EQ(::GetObjectType(h), 0u) << h;
    ICONINFO info{};
    for (HCURSOR c : cursors) EXPECT_FALSE(::GetIconInfo(c, &info));
    EXPECT_FALSE(::IsWindow(tips));
    EXPECT_FALSE(::IsWindow(window));
    // The caller's cursor and data are the caller's.
    EXPECT_TRUE(::GetIconInfo(mine, &info));
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    ::DestroyCursor(mine);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(*blocks[static_cast<size_t>(i)], 1000 + i);
}

}  // namespace
