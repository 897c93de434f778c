#include "TabStripFixture.h"

namespace {

LOGFONTA FontOf(HFONT font) {
    LOGFONTA lf{};
    ::GetObjectA(font, sizeof lf, &lf);
    return lf;
}

TEST(TabStripConstruction, FreshControlHasNoTabsNoSelectionAndHiddenButtons) {
    CCustomTabCtrl tabs;
    EXPECT_FALSE(tabs.IsCreated());
    EXPECT_EQ(tabs.GetSelectedTab(), -1);
    EXPECT_EQ(tabs.GetTabCount(), 0);
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs.GetButtonState(code), ARROW_HIDDEN);
    EXPECT_EQ(tabs.GetScrollPos(), 0);
    EXPECT_FALSE(tabs.IsThemed());
    EXPECT_EQ(tabs.GetReorderCursor(), nullptr);
    EXPECT_EQ(tabs.GetDuplicateCursor(), nullptr);

    BITMAP bm{};
    ASSERT_EQ(::GetObjectA(tabs.GetArrowBitmap(), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 7);
    EXPECT_EQ(bm.bmPlanes, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
}

TEST(TabStripConstruction, ArrowGlyphBitsAreTheFourArrows) {
    CCustomTabCtrl tabs;
    unsigned char bits[28] = {};
    ASSERT_EQ(::GetBitmapBits(tabs.GetArrowBitmap(), sizeof bits, bits), 28);
    // Middle row: bar + left triangle, left triangle, right triangle, right triangle + bar.
    EXPECT_EQ(bits[12], 0xA3);
    EXPECT_EQ(bits[13], 0xC7);
    EXPECT_EQ(bits[14], 0xE3);
    EXPECT_EQ(bits[15], 0xC5);
    EXPECT_EQ(bits[0], 0xBD);
    EXPECT_EQ(bits[27], 0xBD);
}

TEST(TabStripConstruction, DefaultFontsAreFallbackFaceAndItsBoldVariant) {
    CCustomTabCtrl tabs;
    LOGFONTA lf = FontOf(tabs.GetLabelFont());
    EXPECT_STREQ(lf.lfFaceName, "Microsoft Sans Serif");
    EXPECT_EQ(lf.lfHeight, 12);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfOutPrecision, OUT_CHARACTER_PRECIS);
    EXPECT_EQ(lf.lfClipPrecision, CLIP_CHARACTER_PRECIS);
    LOGFONTA bold = FontOf(tabs.GetLabelFontBold());
    EXPECT_STREQ(bold.lfFaceName, "Microsoft Sans Serif");
    EXPECT_EQ(bold.lfHeight, 12);
    EXPECT_EQ(bold.lfWeight, 700);
}

TEST(TabStripConstruction, SecondControlFindsTheClassAlreadyRegistered) {
    CCustomTabCtrl first;
    WNDCLASSA wc{};
    ASSERT_TRUE(::GetClassInfoA(::GetModuleHandleA(nullptr), "CCustomTabCtrl", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);
    EXPECT_EQ(wc.hCursor, ::LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
    EXPECT_EQ(wc.hInstance, ::GetModuleHandleA(nullptr));
    EXPECT_EQ(wc.lpfnWndProc, &::DefWindowProcA);
    // A second registration would fail with "class exists"; the second
    // control must not try, so constructing it does not throw.
    EXPECT_NO_THROW({ CCustomTabCtrl second; });
    EXPECT_TRUE(CCustomTabCtrl::RegisterTabStripClass());
}

TEST(TabStripConstruction, FontThatCannotBeMadeFallsBackSilently) {
    CCustomTabCtrl tabs;
    LOGFONTA arial{};
    arial.lfHeight = 20;
    std::strcpy(arial.lfFaceName, "Arial");
    tabs.SetLabelFont(&arial, FALSE);
    EXPECT_STREQ(FontOf(tabs.GetLabelFont()).lfFaceName, "Arial");
    EXPECT_EQ(FontOf(tabs.GetLabelFontBold()).lfHeight, 20);
    EXPECT_EQ(FontOf(tabs.GetLabelFontBold()).lfWeight, 700);

    tabs.SetLabelFont(nullptr, FALSE);  // nothing to realise
    EXPECT_STREQ(FontOf(tabs.GetLabelFont()).lfFaceName, "Microsoft Sans Serif");
    EXPECT_EQ(FontOf(tabs.GetLabelFont()).lfHeight, 12);
    EXPECT_EQ(FontOf(tabs.GetLabelFontBold()).lfWeight, 700);
}

TEST(TabStripConstruction, CreateWithoutAParentFailsAndLeavesNoWindow) {
    CCustomTabCtrl tabs;
    EXPECT_FALSE(tabs.Create(WS_CHILD, RECT{0, 0, 100, 20}, nullptr, 2));
    EXPECT_FALSE(tabs.IsCreated());
}

TEST(TabStripConstruction, ReorderCursorsAreOwnCopies) {
    CCustomTabCtrl tabs;
    HCURSOR move = static_cast<HCURSOR>(::CopyIcon(::LoadCursor(nullptr, IDC_SIZEALL)));
    HCURSOR copy = static_cast<HCURSOR>(::CopyIcon(::LoadCursor(nullptr, IDC_CROSS)));
    tabs.SetReorderCursors(move, copy);
    HCURSOR ownMove = tabs.GetReorderCursor();
    HCURSOR ownCopy = tabs.GetDuplicateCursor();
    ASSERT_NE(ownMove, nullptr);
    ASSERT_NE(ownCopy, nullptr);
    EXPECT_NE(ownMove, move);
    EXPECT_NE(ownCopy, copy);
    // The caller's cursors can go; ours stay usable.
    ::DestroyCursor(move);
    ::DestroyCursor(copy);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(ownMove, &info));
    ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);

    // Replacing them destroys the old copies; a null cursor gives a null copy.
    tabs.SetReorderCursors(ownMove, nullptr);
    EXPECT_NE(tabs.GetReorderCursor(), nullptr);
    EXPECT_EQ(tabs.GetDuplicateCursor(), nullptr);
    EXPECT_FALSE(::GetIconInfo(ownCopy, &info));
    EXPECT_FALSE(::GetIconInfo(ownMove, &info));
}

using TabStripCreation = TabStripTest;

TEST_F(TabStripCreation, AttachingGivesClassClipChildrenAndFirstLayout) {
    Make(TSS_REORDER | TSS_TIPS, 300);
    char cls[64] = "";
    ::GetClassNameA(*tabs, cls, sizeof cls);
    EXPECT_STREQ(cls, "CCustomTabCtrl");
    EXPECT_TRUE(tabs->GetStyle() & WS_CLIPCHILDREN);
    EXPECT_EQ(tabs->GetDlgCtrlID(), 2);
    EXPECT_EQ(tabs->GetText(), "");
    // Without TSS_HIDEARROWS the buttons show even with no tabs.
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_NORMAL);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
    EXPECT_FALSE(tabs->IsThemed());
    EXPECT_EQ(tabs->GetToolTipWindow(), nullptr);  // made by the first SetTabTip
}

TEST_F(TabStripCreation, SubclassingAnExistingWindowRunsTheFirstLayout) {
    parent = std::make_unique<testsupport::RecordingParent>();
    CCustomTabCtrl::RegisterTabStripClass();
    HWND hwnd = ::CreateWindowExA(0, "CCustomTabCtrl", "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 20, *parent,
                                  reinterpret_cast<HMENU>(7), ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    tabs = std::make_unique<CCustomTabCtrl>();
    ASSERT_TRUE(tabs->SubclassWindow(hwnd));
    EXPECT_TRUE(tabs->GetStyle() & WS_CLIPCHILDREN);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
}

TEST_F(TabStripCreation, FontChangeWithoutRedrawWaitsForTheNextLayout) {
    Make(0, 400);
    Add({"Alpha", "Beta"});
    const RECT before = Tab(1).m_rcShape;
    ::ValidateRect(*tabs, nullptr);
    LOGFONTA big{};
    big.lfHeight = 30;
    std::strcpy(big.lfFaceName, "Arial");
    tabs->SetLabelFont(&big, FALSE);
    EXPECT_EQ(Tab(1).m_rcShape, before);
    EXPECT_FALSE(::GetUpdateRect(*tabs, nullptr, FALSE));

    tabs->SetLabelFont(&big, TRUE);
    EXPECT_GT(Tab(1).m_rcShape.left, before.left);
    EXPECT_EQ(Tab(0).m_rcShape.right - Tab(0).m_rcShape.left, 20 + LabelWidth("Alpha") + 4);
    EXPECT_TRUE(::GetUpdateRect(*tabs, nullptr, FALSE));
    EXPECT_TRUE(PaintErases(*tabs));  // the whole client area, with erasing
}

}  // namespace
