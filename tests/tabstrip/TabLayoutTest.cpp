#include "TabStripFixture.h"

#include <commctrl.h>

namespace {

using TabLayout = TabStripTest;

int Advance(const CTabEntry& t) { return (t.m_rcShape.right - t.m_rcShape.left); }

TEST_F(TabLayout, TwentyPixelStripButtonsAndTabGeometry) {
    Make(0, 400, 20);
    EXPECT_EQ(tabs->GetButtonRect(TSHT_BACK), (RECT{0, 0, 18, 20}));
    EXPECT_EQ(tabs->GetButtonRect(TSHT_FWD), (RECT{18, 0, 37, 20}));
    EXPECT_EQ(tabs->TabFromPoint(0, 0), TSHT_BACK);
    EXPECT_EQ(tabs->TabFromPoint(17, 19), TSHT_BACK);
    EXPECT_EQ(tabs->TabFromPoint(18, 0), TSHT_FWD);
    EXPECT_EQ(tabs->TabFromPoint(36, 19), TSHT_FWD);

    const std::string forty = LabelOfWidth(40);
    ASSERT_FALSE(forty.empty()) << "no label 40 pixels wide in this font";
    Add({forty, "Next"});
    // The first tab starts right after the 37-pixel button area.
    EXPECT_EQ(Tab(0).m_rcShape, (RECT{37, 1, 37 + 64, 19}));
    EXPECT_EQ(Tab(0).m_rcLabel, (RECT{37 + 10, 1, 37 + 10 + 44, 19}));
    // Neighbours overlap by h/2 = 10 pixels.
    EXPECT_EQ(Tab(1).m_rcShape.left, Tab(0).m_rcShape.right - 10);
    EXPECT_EQ(Tab(1).m_rcShape.top, 1);
    EXPECT_EQ(Tab(1).m_rcShape.bottom, 19);
    EXPECT_EQ(Advance(Tab(1)), 20 + LabelWidth("Next") + 4);
}

TEST_F(TabLayout, FourButtonRectangles) {
    Make(TSS_FOURARROWS, 400, 20);
    EXPECT_EQ(tabs->GetButtonRect(TSHT_HOME), (RECT{0, 0, 18, 20}));
    EXPECT_EQ(tabs->GetButtonRect(TSHT_BACK), (RECT{18, 0, 35, 20}));
    EXPECT_EQ(tabs->GetButtonRect(TSHT_FWD), (RECT{35, 0, 53, 20}));
    EXPECT_EQ(tabs->GetButtonRect(TSHT_END), (RECT{53, 0, 71, 20}));
    EXPECT_EQ(tabs->TabFromPoint(10, 5), TSHT_HOME);
    EXPECT_EQ(tabs->TabFromPoint(34, 5), TSHT_BACK);
    EXPECT_EQ(tabs->TabFromPoint(35, 5), TSHT_FWD);
    EXPECT_EQ(tabs->TabFromPoint(70, 5), TSHT_END);
    EXPECT_EQ(tabs->TabFromPoint(71, 5), TSHT_NONE);
    Add({"Alpha"});
    EXPECT_EQ(Tab(0).m_rcShape.left, 71);  // button area 71 wide
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs->GetButtonState(code), ARROW_NORMAL);
}

TEST_F(TabLayout, HideArrowsWhileEverythingFits) {
    Make(TSS_HIDEARROWS, 300);
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs->GetButtonState(code), ARROW_HIDDEN);
    EXPECT_EQ(tabs->TabFromPoint(5, 5), TSHT_NONE);  // hidden buttons are never hit
    Add({"Only"});
    EXPECT_EQ(Tab(0).m_rcShape.left, 0);
    Add({"Two"});
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_HIDDEN);
    EXPECT_EQ(Tab(0).m_rcShape.left, 0);
    EXPECT_EQ(tabs->TabFromPoint(5, 5), 0);

    // Once the tabs overflow, the buttons come back.
    AddNumbered(10);
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_NORMAL);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);

    // A single overlong tab still shows no buttons.
    Make(TSS_HIDEARROWS, 40);
    Add({"A rather long label indeed"});
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_HIDDEN);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
}

// In two-button mode the first and last states follow the other two, though
// those buttons have no rectangle and are never hit.
TEST_F(TabLayout, TwoButtonModeKeepsFirstAndLastStatesInStep) {
    Make(TSS_HIDEARROWS, 200);
    Add({"A"});
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs->GetButtonState(code), ARROW_HIDDEN);
    AddNumbered(10);  // overflow: buttons shown
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs->GetButtonState(code), ARROW_NORMAL);
    for (int code : {TSHT_HOME, TSHT_END}) {
        const RECT rc = tabs->GetButtonRect(code);
        EXPECT_TRUE(::IsRectEmpty(&rc)) << code;
    }
    for (int x = 0; x < 37; ++x) {
        const int hit = tabs->TabFromPoint(x, 10);
        EXPECT_TRUE(hit == TSHT_BACK || hit == TSHT_FWD) << x;
    }
    tabs->MoveWindow(0, 0, 2000, 20);  // everything fits again
    for (int code : {TSHT_HOME, TSHT_BACK, TSHT_FWD, TSHT_END}) EXPECT_EQ(tabs->GetButtonState(code), ARROW_HIDDEN);
}

// "All tabs fit" includes a last tab ending exactly at the right edge.
TEST_F(TabLayout, HideArrowsWhenTheTabsEndExactlyAtTheEdge) {
    Make(TSS_HIDEARROWS, 600);
    Add({"Alpha", "Beta", "Gamma"});
    ASSERT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_HIDDEN);
    const int total = Tab(2).m_rcShape.right;
    tabs->MoveWindow(0, 0, total, 20);
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_HIDDEN);
    EXPECT_EQ(Tab(0).m_rcShape.left, 0);
    tabs->MoveWindow(0, 0, total - 1, 20);
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_NORMAL);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);
}

// LAYOUT_FWD steps only while the last tab reaches past the edge, not onto it.
TEST_F(TabLayout, ForwardStopsWhenTheLastTabEndsExactlyAtTheEdge) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    const int right = Tab(9).m_rcShape.right;
    ASSERT_GT(pos, 0);
    ASSERT_LE(right, 200);
    tabs->MoveWindow(0, 0, right, 20);  // FIT: the last tab reaches the edge already
    ASSERT_EQ(tabs->GetScrollPos(), pos);
    ASSERT_EQ(Tab(9).m_rcShape.right, right);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    tabs->MoveWindow(0, 0, right - 1, 20);
    ASSERT_EQ(tabs->GetScrollPos(), pos);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    EXPECT_EQ(tabs->GetScrollPos(), pos + 1);
}

// LAYOUT_SHOW scrolls forward only for a tab shown whole (the current or the
// last one); a covered tab past the right edge does not scroll the strip.
TEST_F(TabLayout, ShowScrollsForwardOnlyForAFullTab) {
    Make(0, 200);
    AddNumbered(10);
    ASSERT_EQ(Tab(6).m_kind, TK_COVERED);
    ASSERT_GT(Tab(6).m_rcShape.right, 200);
    tabs->UpdateLayout(LAYOUT_SHOW, 6);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    tabs->UpdateLayout(LAYOUT_SHOW, 9);
    EXPECT_GT(tabs->GetScrollPos(), 0);
    EXPECT_LE(Tab(9).m_rcShape.right, 200);
}

// LAYOUT_EDITOR keeps the scroll position even where LAYOUT_FIT would pull the
// strip back.
TEST_F(TabLayout, EditorModeKeepsTheScrollPosition) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    ASSERT_GT(pos, 1);
    LOGFONTA small{};
    small.lfHeight = 6;
    std::strcpy(small.lfFaceName, "Arial");
    tabs->SetLabelFont(&small, FALSE);  // narrower labels from the next layout on
    tabs->UpdateLayout(LAYOUT_EDITOR, 9);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    EXPECT_EQ(Tab(pos).m_rcShape.left, 37);
    ASSERT_LT(Tab(9).m_rcShape.right, 200);
    tabs->UpdateLayout(LAYOUT_FIT, -1);
    EXPECT_LT(tabs->GetScrollPos(), pos);
}

TEST_F(TabLayout, KindsOfShownTabs) {
    Make(0, 800);
    AddNumbered(4);
    ASSERT_EQ(tabs->SelectTab(1), TSE_OK);
    EXPECT_EQ(Tab(0).m_kind, TK_COVERED);
    EXPECT_EQ(Tab(1).m_kind, TK_FULL);  // current
    EXPECT_EQ(Tab(2).m_kind, TK_COVERED);
    EXPECT_EQ(Tab(3).m_kind, TK_FULL);  // last
}

TEST_F(TabLayout, BackAtHomeAndForwardWhenAllFitChangeNothing) {
    Make(0, 600);
    AddNumbered(3);
    const RECT before = Tab(2).m_rcShape;
    tabs->UpdateLayout(LAYOUT_BACK, -1);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    EXPECT_EQ(Tab(2).m_rcShape, before);
}

TEST_F(TabLayout, ScrollingStepsAndStopsAtBothEnds) {
    Make(0, 200);
    AddNumbered(10);
    const int W = 200;
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    // Forward one tab per step while the last tab reaches past the edge.
    int steps = 0;
    while (Tab(9).m_rcShape.right > W && steps < 20) {
        int pos = tabs->GetScrollPos();
        tabs->UpdateLayout(LAYOUT_FWD, -1);
        ASSERT_EQ(tabs->GetScrollPos(), pos + 1);
        ++steps;
    }
    const int end = tabs->GetScrollPos();
    ASSERT_GT(end, 1);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    EXPECT_EQ(tabs->GetScrollPos(), end);
    // The first shown tab sits right after the buttons; the one before is a sliver.
    EXPECT_EQ(Tab(end).m_rcShape.left, 37);
    EXPECT_EQ(Tab(end - 1).m_kind, TK_EDGE);
    EXPECT_EQ(Tab(end - 1).m_rcShape, (RECT{37, 1, 47, 19}));
    EXPECT_TRUE(::IsRectEmpty(&Tab(end - 1).m_rcLabel));
    for (int i = 0; i < end - 1; ++i) {
        EXPECT_EQ(Tab(i).m_kind, TK_HIDDEN) << i;
        EXPECT_TRUE(::IsRectEmpty(&Tab(i).m_rcLabel)) << i;
    }

    tabs->UpdateLayout(LAYOUT_BACK, -1);
    EXPECT_EQ(tabs->GetScrollPos(), end - 1);
    tabs->UpdateLayout(LAYOUT_HOME, -1);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);
    tabs->UpdateLayout(LAYOUT_END, -1);
    EXPECT_EQ(tabs->GetScrollPos(), end);
}

// With the scroll position past the point where the tabs fill the window, the
// strip pulls back until the last tab ends inside the window, leaving at most
// the advance of the tab before the first shown one free.
TEST_F(TabLayout, FitPullsBackToFillTheWindow) {
    Make(0, 250);
    AddNumbered(12);
    const int W = 250;
    ASSERT_EQ(tabs->SelectTab(11), TSE_OK);  // scroll position 11, then fit
    const int pos = tabs->GetScrollPos();
    ASSERT_GT(pos, 0);
    ASSERT_LT(pos, 11);
    EXPECT_LT(Tab(11).m_rcShape.right, W);
    const int room = W - Tab(11).m_rcShape.right;
    const CTabEntry& before = Tab(pos - 1);
    const int advance = (20 + before.m_nLabelWidth + 4) - 10;
    EXPECT_LE(room, advance);
    // One more step back would overflow the window.
    EXPECT_GE(Tab(11).m_rcShape.right + advance, W);

    // Several steps past the end: the same place.
    tabs->UpdateLayout(LAYOUT_END, -1);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    tabs->UpdateLayout(LAYOUT_FIT, -1);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    tabs->UpdateLayout(12345, -1);  // unknown modes fit
    EXPECT_EQ(tabs->GetScrollPos(), pos);
}

TEST_F(TabLayout, FitWithRoomForAllEndsAtHome) {
    Make(0, 700);
    AddNumbered(4);
    ASSERT_EQ(tabs->SelectTab(3), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);
}

TEST_F(TabLayout, FitKeepsAStripThatAlreadyReachesTheEdge) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(tabs->GetScrollPos(), 2);
    ASSERT_GE(Tab(9).m_rcShape.right, 200);
    tabs->UpdateLayout(LAYOUT_FIT, -1);
    EXPECT_EQ(tabs->GetScrollPos(), 2);
}

TEST_F(TabLayout, GrowingTheWindowPullsTheStripBack) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    ASSERT_GT(pos, 0);
    tabs->MoveWindow(0, 0, 1000, 20);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);
}

TEST_F(TabLayout, ResizingToZeroDoesNotRunTheLayout) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    const RECT shape = Tab(9).m_rcShape;
    tabs->MoveWindow(0, 0, 0, 20);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    EXPECT_EQ(Tab(9).m_rcShape, shape);
    tabs->MoveWindow(0, 0, 200, 0);
    EXPECT_EQ(tabs->GetScrollPos(), pos);
    EXPECT_EQ(Tab(9).m_rcShape, shape);
}

TEST_F(TabLayout, EdgeSliverIsHitAndShowStepsBackForIt) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(tabs->GetScrollPos(), 2);
    ASSERT_EQ(Tab(1).m_kind, TK_EDGE);
    // The sliver's polygon: the lower half of its slant, (37,1)-(41,9)-(37,19);
    // above it lies the first shown tab.
    EXPECT_EQ(tabs->TabFromPoint(38, 9), 1);
    EXPECT_EQ(tabs->TabFromPoint(38, 12), 1);
    EXPECT_EQ(tabs->TabFromPoint(39, 3), 2);
    tabs->UpdateLayout(LAYOUT_SHOW, 1);
    EXPECT_EQ(tabs->GetScrollPos(), 1);
    EXPECT_EQ(Tab(1).m_kind, TK_COVERED);
    EXPECT_EQ(Tab(1).m_rcShape.left, 37);
}

TEST_F(TabLayout, CurrentTabAsEdgeIsTheSelectedSliver) {
    Make(0, 200);
    AddNumbered(10);
    ASSERT_EQ(tabs->SelectTab(2), TSE_OK);
    ASSERT_EQ(tabs->GetScrollPos(), 2);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(tabs->GetScrollPos(), 3);
    EXPECT_EQ(Tab(2).m_kind, TK_EDGE_SELECTED);
    EXPECT_EQ(Tab(2).m_rcShape, (RECT{37, 1, 47, 19}));
    // Slanted right side: (37,1)-(37,19)-(46,1).
    EXPECT_EQ(tabs->TabFromPoint(38, 15), 2);
    EXPECT_EQ(Tab(1).m_kind, TK_HIDDEN);
}

TEST_F(TabLayout, ShowScrollsForwardJustEnoughForTheCurrentTab) {
    Make(0, 200);
    AddNumbered(10);
    ASSERT_EQ(tabs->ApplySelection(5, TRUE, FALSE), TSE_OK);  // as a click would
    EXPECT_EQ(Tab(5).m_kind, TK_FULL);
    EXPECT_LE(Tab(5).m_rcShape.right, 200);
    // One step less and it would still reach past the edge.
    ASSERT_GT(tabs->GetScrollPos(), 0);
    tabs->UpdateLayout(LAYOUT_BACK, -1);
    EXPECT_GT(Tab(5).m_rcShape.right, 200);
}

TEST_F(TabLayout, ShowBringsBackATabScrolledFarAway) {
    Make(0, 200);
    AddNumbered(10);
    tabs->UpdateLayout(LAYOUT_END, -1);
    ASSERT_GT(tabs->GetScrollPos(), 2);
    ASSERT_EQ(Tab(0).m_kind, TK_HIDDEN);
    tabs->UpdateLayout(LAYOUT_SHOW, 0);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
    EXPECT_EQ(Tab(0).m_rcShape.left, 37);
}

TEST_F(TabLayout, RegionsAreTrapezoidsAndLowerIndexWinsOverlaps) {
    Make(0, 600);
    Add({"Alpha", "Beta", "Gamma"});
    const RECT s0 = Tab(0).m_rcShape;  // covered
    const RECT s2 = Tab(2).m_rcShape;  // last: full
    ASSERT_EQ(Tab(0).m_kind, TK_COVERED);
    // Top left corner in, bottom left corner out (slanted side).
    EXPECT_EQ(tabs->TabFromPoint(s0.left, 1), 0);
    EXPECT_EQ(tabs->TabFromPoint(s0.left + 1, 17), TSHT_NONE);
    EXPECT_EQ(tabs->TabFromPoint(s0.left + 10, 17), 0);
    // Where tab 0's right slant and tab 1's left slant overlap, tab 0 wins.
    const RECT s1 = Tab(1).m_rcShape;
    ASSERT_EQ(s1.left, s0.right - 10);
    EXPECT_EQ(tabs->TabFromPoint(s0.right - 5, 9), 0);
    EXPECT_EQ(tabs->TabFromPoint(s0.right - 5, 3), 1);
    // A covered tab's top right corner belongs to its neighbour.
    EXPECT_EQ(tabs->TabFromPoint(s0.right - 3, 1), 1);
    // A full tab reaches its top right corner; below the slant is empty.
    EXPECT_EQ(tabs->TabFromPoint(s2.right - 1, 1), 2);
    EXPECT_EQ(tabs->TabFromPoint(s2.right - 2, 17), TSHT_NONE);
    EXPECT_EQ(tabs->TabFromPoint(s2.right + 5, 5), TSHT_NONE);
    EXPECT_EQ(tabs->TabFromPoint(s2.left + 12, 0), TSHT_NONE);  // above the tabs
}

TEST_F(TabLayout, ShapePointsForEveryKind) {
    CTabEntry tab("x", 0);
    const RECT r{37, 1, 101, 19};  // h = 18: h/2 = 9, h/4 = 4
    POINT p[6];
    auto expect = [&](std::initializer_list<POINT> want) {
        int i = 0;
        for (POINT w : want) {
            EXPECT_EQ(p[i].x, w.x) << "kind " << int(tab.m_kind) << " point " << i;
            EXPECT_EQ(p[i].y, w.y) << "kind " << int(tab.m_kind) << " point " << i;
            ++i;
        }
    };
    tab.m_kind = TK_FULL;
    tab.GetShapePoints(r, p);
    expect({{37, 1}, {41, 9}, {46, 19}, {92, 19}, {97, 9}, {101, 1}});
    tab.m_kind = TK_COVERED;
    tab.GetShapePoints(r, p);
    expect({{37, 1}, {41, 9}, {46, 19}, {92, 19}, {97, 9}, {92, 1}});
    tab.m_kind = TK_EDGE_SELECTED;
    tab.GetShapePoints(r, p);
    expect({{37, 1}, {37, 19}, {46, 1}, {46, 1}, {46, 1}, {46, 1}});
    tab.m_kind = TK_EDGE;
    tab.GetShapePoints(r, p);
    expect({{37, 1}, {41, 9}, {37, 19}, {37, 19}, {37, 19}, {37, 19}});
    tab.m_kind = TK_HIDDEN;
    tab.GetShapePoints(r, p);
    expect({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}});
    tab.m_kind = 9;
    tab.GetShapePoints(r, p);
    expect({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}});
}

TEST_F(TabLayout, ButtonsWinOverTabsAndHiddenTabsAreNeverHit) {
    Make(0, 200);
    AddNumbered(10);
    // Four buttons take 71 pixels, but the tabs still lie where two left room.
    ::SetWindowLongPtrA(*tabs, GWL_STYLE, tabs->GetStyle() | TSS_FOURARROWS);
    ASSERT_EQ(tabs->GetButtonState(TSHT_END), ARROW_NORMAL);
    ASSERT_EQ(tabs->TabFromPoint(45, 3), TSHT_FWD);
    ::SetWindowLongPtrA(*tabs, GWL_STYLE, tabs->GetStyle() & ~TSS_FOURARROWS);
    tabs->UpdateLayout(LAYOUT_FIT, -1);
    ASSERT_EQ(tabs->TabFromPoint(45, 3), 0);

    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    ASSERT_GT(pos, 2);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 20; y += 3) {
            const int hit = tabs->TabFromPoint(x, y);
            EXPECT_TRUE(hit < 0 || hit >= pos - 1) << x << "," << y << " hit " << hit;
        }
}

TEST_F(TabLayout, EqualWidthMakesEveryTabAsWideAsTheWidest) {
    Make(TSS_EQUALWIDTH, 600);
    Add({"A", "A much longer label", "Bb"});
    const int widest = LabelWidth("A much longer label");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Tab(i).m_nLabelWidth, widest);
        EXPECT_EQ(Tab(i).m_rcShape.right - Tab(i).m_rcShape.left, 20 + widest + 4);
    }
}

TEST_F(TabLayout, EveryLabelIsMeasuredWithTheBoldFont) {
    Make(0, 600);
    Add({"WWWWWWWW"});
    HDC dc = ::GetDC(*tabs);
    HGDIOBJ old = ::SelectObject(dc, tabs->GetLabelFont());
    RECT normal{};
    ::DrawTextA(dc, "WWWWWWWW", 8, &normal, DT_CALCRECT);
    ::SelectObject(dc, old);
    ::ReleaseDC(*tabs, dc);
    EXPECT_EQ(Tab(0).m_nLabelWidth, LabelWidth("WWWWWWWW"));
    EXPECT_GE(Tab(0).m_nLabelWidth, normal.right - normal.left);
}

// A layout redoes the system calls of a tab only for what changed about it:
// its label or the font (measuring), its polygon (region).
TEST_F(TabLayout, ALayoutThatChangesNothingForATabMakesNoCallsForIt) {
    Make(0, 300);
    AddNumbered(30);
    auto counts = [&](int (CTabEntry::*count)) {
        std::vector<int> v;
        for (int i = 0; i < tabs->GetTabCount(); ++i) v.push_back(Tab(i).*count);
        return v;
    };
    auto regions = [&] {
        std::vector<HRGN> v;
        for (int i = 0; i < tabs->GetTabCount(); ++i) v.push_back(Tab(i).m_region);
        return v;
    };
    // Every tab was measured once although each insertion laid out the strip.
    EXPECT_EQ(counts(&CTabEntry::m_nMeasureCount), std::vector<int>(30, 1));
    const auto measured = counts(&CTabEntry::m_nMeasureCount);
    const auto built = counts(&CTabEntry::m_nRegionCount);
    const auto handles = regions();

    tabs->UpdateLayout(LAYOUT_FIT, -1);
    tabs->MoveWindow(0, 0, 300, 20);
    EXPECT_EQ(counts(&CTabEntry::m_nMeasureCount), measured);
    EXPECT_EQ(counts(&CTabEntry::m_nRegionCount), built);
    EXPECT_EQ(regions(), handles);

    // Scrolling moves polygons but measures nothing; tabs scrolled away
    // before and after keep their regions.
    tabs->UpdateLayout(LAYOUT_END, -1);
    const int pos = tabs->GetScrollPos();
    ASSERT_GT(pos, 5);
    const auto builtAtEnd = counts(&CTabEntry::m_nRegionCount);
    const auto handlesAtEnd = regions();
    tabs->UpdateLayout(LAYOUT_BACK, -1);
    for (int i = 0; i < pos - 2; ++i) {
        EXPECT_EQ(Tab(i).m_nRegionCount, builtAtEnd[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(Tab(i).m_region.Get(), handlesAtEnd[static_cast<size_t>(i)]) << i;
    }
    EXPECT_GT(Tab(pos).m_nRegionCount, builtAtEnd[static_cast<size_t>(pos)]);
    tabs->UpdateLayout(LAYOUT_HOME, -1);
    EXPECT_EQ(counts(&CTabEntry::m_nMeasureCount), measured);
    EXPECT_EQ(tabs->TabFromPoint(Tab(0).m_rcShape.left + 15, 5), 0);

    // A new last tab: it is measured, it and the old last tab (no longer
    // drawn whole) get regions, nothing else.
    const auto builtBefore = counts(&CTabEntry::m_nRegionCount);
    Add({"Another"});
    auto measuredNow = counts(&CTabEntry::m_nMeasureCount);
    auto builtNow = counts(&CTabEntry::m_nRegionCount);
    EXPECT_EQ(measuredNow.back(), 1);
    measuredNow.pop_back();
    EXPECT_EQ(measuredNow, measured);
    for (int i = 0; i < 29; ++i) EXPECT_EQ(builtNow[static_cast<size_t>(i)], builtBefore[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(Tab(29).m_kind, TK_COVERED);
    EXPECT_GT(builtNow[29], builtBefore[29]);

    // The same font again measures nothing; another measures every label.
    LOGFONTA lf{};
    ASSERT_GT(::GetObjectA(tabs->GetLabelFont(), sizeof lf, &lf), 0);
    tabs->SetLabelFont(&lf, TRUE);
    EXPECT_EQ(counts(&CTabEntry::m_nMeasureCount), std::vector<int>(31, 1));
    lf.lfHeight = 16;
    tabs->SetLabelFont(&lf, TRUE);
    for (int i = 0; i < 31; ++i) EXPECT_EQ(Tab(i).m_nMeasureCount, 2) << i;
    EXPECT_EQ(Tab(3).m_nLabelWidth, LabelWidth("Tab 3"));

    // Equal widths come from the kept widths.
    ::SetWindowLongPtrA(*tabs, GWL_STYLE, tabs->GetStyle() | TSS_EQUALWIDTH);
    tabs->UpdateLayout(LAYOUT_FIT, -1);
    for (int i = 0; i < 31; ++i) EXPECT_EQ(Tab(i).m_nMeasureCount, 2) << i;
    int widest = 0;
    for (const std::string& label : Labels()) widest = std::max(widest, LabelWidth(label));
    EXPECT_EQ(Tab(3).m_nLabelWidth, widest);
}

// An insert in a strip scrolled to its middle places only the tabs it moves;
// wherever the tab goes, the strip ends as a full layout would leave it:
// places, kinds, hit regions and the tips' areas.
TEST_F(TabLayout, AnInsertInAScrolledStripEndsAsAFullLayoutWould) {
    struct Case {
        const char* name;
        DWORD style;
        int at;  // from the first shown tab; 99: after the last tab
        const char* label;
    };
    const Case cases[] = {
        {"at the first shown tab", 0, 0, "New"},
        {"after it", 0, 1, "A longer new label"},
        {"among the shown tabs", TSS_FOURARROWS, 3, "N"},
        {"after the last tab", 0, 99, "Last"},
        {"equal widths, narrower", TSS_EQUALWIDTH, 2, "i"},
        {"equal widths, wider", TSS_EQUALWIDTH, 2, "Much wider than any"},
    };
    struct Placed {
        int kind;
        RECT shape, label, tool;
        HRGN region;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.style | TSS_TIPS, 300);
        AddNumbered(40);
        for (int i = 0; i < 40; ++i) ASSERT_EQ(tabs->SetTabTip(i, "tip " + std::to_string(i)), TSE_OK);
        tabs->SelectTab(25);
        tabs->UpdateLayout(LAYOUT_SHOW, 25);
        ASSERT_GT(tabs->GetScrollPos(), 5);
        const int index = c.at == 99 ? tabs->GetTabCount() : tabs->GetScrollPos() + c.at;
        ASSERT_EQ(tabs->InsertTab(index, c.label, 0), index);
        auto placed = [&] {
            std::vector<Placed> v;
            for (int i = 0; i < tabs->GetTabCount(); ++i) {
                TTTOOLINFOA ti{};
                ti.cbSize = TTTOOLINFOA_V2_SIZE;
                ti.hwnd = *tabs;
                ti.uId = static_cast<UINT_PTR>(i + 1);
                const bool tool = ::SendMessageA(tabs->GetToolTipWindow(), TTM_GETTOOLINFOA, 0,
                                                 reinterpret_cast<LPARAM>(&ti)) != 0;
                HRGN copy = ::CreateRectRgn(0, 0, 0, 0);
                if (Tab(i).m_region) ::CombineRgn(copy, Tab(i).m_region, nullptr, RGN_COPY);
                v.push_back({Tab(i).m_kind, Tab(i).m_rcShape, Tab(i).m_rcLabel, tool ? ti.rect : RECT{-1, -1, -1, -1},
                             copy});
            }
            return v;
        };
        const int pos = tabs->GetScrollPos();
        const std::vector<Placed> incremental = placed();
        tabs->UpdateLayout(LAYOUT_FIT, tabs->GetSelectedTab());
        const std::vector<Placed> full = placed();
        EXPECT_EQ(tabs->GetScrollPos(), pos);
        ASSERT_EQ(incremental.size(), full.size());
        for (size_t i = 0; i < full.size(); ++i) {
            EXPECT_EQ(incremental[i].kind, full[i].kind) << i;
            EXPECT_EQ(incremental[i].shape, full[i].shape) << i;
            EXPECT_EQ(incremental[i].label, full[i].label) << i;
            EXPECT_EQ(incremental[i].tool, full[i].tool) << i;
            EXPECT_TRUE(::EqualRgn(incremental[i].region, full[i].region)) << i;
            ::DeleteObject(incremental[i].region);
            ::DeleteObject(full[i].region);
        }
        TearDown();
    }
}

}  // namespace
