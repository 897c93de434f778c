#include "TabStripFixture.h"

#include <cstddef>
#include <functional>

namespace {

using TabOperations = TabStripTest;

TEST_F(TabOperations, InsertAppendsAndKeepsTheCurrentTab) {
    Make(0, 400);
    EXPECT_EQ(tabs->InsertTab(0, "Beta", 2), 0);
    EXPECT_EQ(tabs->InsertTab(1, "Delta", 4), 1);  // index = count appends
    ASSERT_EQ(tabs->SelectTab(1), TSE_OK);
    EXPECT_EQ(tabs->InsertTab(0, "Alpha", 1), 0);  // before the current tab
    EXPECT_EQ(tabs->GetSelectedTab(), 2);
    EXPECT_EQ(Tab(2).m_label, "Delta");
    EXPECT_TRUE(Tab(2).m_bSelected);
    EXPECT_EQ(tabs->InsertTab(2, "Gamma", 3), 2);  // at the current index
    EXPECT_EQ(tabs->GetSelectedTab(), 3);
    EXPECT_EQ(tabs->InsertTab(4, "Epsilon", 5), 4);  // after it
    EXPECT_EQ(tabs->GetSelectedTab(), 3);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta", "Epsilon"}));
    EXPECT_TRUE(Notes().empty());  // neither InsertTab nor SelectTab notifies
}

TEST_F(TabOperations, InsertingNeverMakesATabCurrent) {
    Make(0, 400);
    Add({"A", "B"});
    EXPECT_EQ(tabs->GetSelectedTab(), -1);
    for (int i = 0; i < 2; ++i) EXPECT_FALSE(Tab(i).m_bSelected);
}

TEST_F(TabOperations, InsertRefusesBadIndicesAndLongLabels) {
    Make(0, 400);
    Add({"A"});
    EXPECT_EQ(tabs->InsertTab(-1, "X", 0), TSE_BADINDEX);
    EXPECT_EQ(tabs->InsertTab(2, "X", 0), TSE_BADINDEX);
    const std::string l29(29, 'x'), l30(30, 'x');
    EXPECT_EQ(tabs->InsertTab(1, l30, 0), TSE_LABELTOOLONG);
    EXPECT_EQ(tabs->GetTabCount(), 1);
    EXPECT_EQ(tabs->InsertTab(1, l29, 0), 1);
    EXPECT_EQ(Tab(1).m_label, l29);
}

TEST_F(TabOperations, DataWordsRoundTripPointerSized) {
    Make(0, 400);
    int block = 0;
    const DWORD_PTR big = reinterpret_cast<DWORD_PTR>(&block);
    ASSERT_EQ(tabs->InsertTab(0, "P", big), 0);
    DWORD_PTR data = 0;
    EXPECT_EQ(tabs->GetTabData(0, data), TSE_OK);
    EXPECT_EQ(data, big);
    data = 77;
    EXPECT_EQ(tabs->GetTabData(1, data), TSE_BADINDEX);
    EXPECT_EQ(tabs->GetTabData(-1, data), TSE_BADINDEX);
    EXPECT_EQ(data, 77u);  // untouched
}

TEST_F(TabOperations, SelectTabRefusesBadIndicesAndCannotClear) {
    Make(0, 400);
    Add({"A", "B"});
    EXPECT_EQ(tabs->SelectTab(-1), TSE_BADINDEX);
    EXPECT_EQ(tabs->SelectTab(2), TSE_BADINDEX);
    ASSERT_EQ(tabs->SelectTab(1), TSE_OK);
    EXPECT_EQ(tabs->SelectTab(-1), TSE_BADINDEX);
    EXPECT_EQ(tabs->GetSelectedTab(), 1);
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    EXPECT_TRUE(Tab(0).m_bSelected);
    EXPECT_FALSE(Tab(1).m_bSelected);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, SelectTabByProgramScrollsItToTheFront) {
    Make(0, 200);
    AddNumbered(10);
    ASSERT_EQ(tabs->SelectTab(3), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 3);
    EXPECT_EQ(Tab(3).m_rcShape.left, 37);
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
}

TEST_F(TabOperations, MoveToOwnPositionsChangesNothing) {
    Make(TSS_REORDER, 400);
    Add({"A", "B", "C"});
    EXPECT_EQ(tabs->MoveTab(1, 1, TRUE), 1);
    EXPECT_EQ(tabs->MoveTab(1, 2, TRUE), 1);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(tabs->GetSelectedTab(), -1);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, MoveFirstToTheEndNotifiesTheNewIndex) {
    Make(TSS_REORDER, 400);
    ASSERT_EQ(tabs->InsertTab(0, "A", 10), 0);
    ASSERT_EQ(tabs->InsertTab(1, "B", 11), 1);
    ASSERT_EQ(tabs->InsertTab(2, "C", 12), 2);
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    int seenSelected = -2;
    parent->onNotify = [&](const NMHDR*) {
        seenSelected = tabs->GetSelectedTab();  // the parent may call back
        return LRESULT(0);
    };
    EXPECT_EQ(tabs->MoveTab(0, 3, TRUE), 2);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"B", "C", "A"}));
    EXPECT_EQ(tabs->GetSelectedTab(), 2);
    EXPECT_TRUE(Tab(2).m_bSelected);
    EXPECT_FALSE(Tab(0).m_bSelected);
    EXPECT_EQ(seenSelected, 2);
    auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].hdr.code, TSN_MOVED);
    EXPECT_EQ(notes[0].iTab, 2);
    EXPECT_STREQ(notes[0].label, "A");
    EXPECT_EQ(notes[0].data, 10u);
    EXPECT_EQ(notes[0].pt.x, 0);
    EXPECT_EQ(notes[0].pt.y, 0);
    EXPECT_TRUE(notes[0].selected);
}

TEST_F(TabOperations, MoveLeftAndQuietMoves) {
    Make(TSS_REORDER, 400);
    Add({"A", "B", "C", "D"});
    EXPECT_EQ(tabs->MoveTab(3, 1, FALSE), 1);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"A", "D", "B", "C"}));
    EXPECT_EQ(tabs->GetSelectedTab(), 1);
    EXPECT_EQ(tabs->MoveTab(1, 3, FALSE), 2);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"A", "B", "D", "C"}));
    EXPECT_TRUE(Notes().empty());
    // Exactly one tab carries the current flag.
    int flagged = 0;
    for (int i = 0; i < 4; ++i) flagged += Tab(i).m_bSelected ? 1 : 0;
    EXPECT_EQ(flagged, 1);
    EXPECT_TRUE(Tab(2).m_bSelected);
}

TEST_F(TabOperations, MoveRefusesBadIndices) {
    Make(0, 400);
    Add({"A", "B"});
    EXPECT_EQ(tabs->MoveTab(-1, 0, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->MoveTab(2, 0, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->MoveTab(0, -1, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->MoveTab(0, 3, TRUE), TSE_BADINDEX);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, MovingToAFarAwayPositionKeepsTheTabInView) {
    Make(0, 200);
    AddNumbered(12);
    tabs->UpdateLayout(LAYOUT_END, -1);
    ASSERT_GT(tabs->GetScrollPos(), 2);
    ASSERT_EQ(tabs->MoveTab(11, 0, FALSE), 0);
    EXPECT_NE(Tab(0).m_kind, TK_HIDDEN);
    EXPECT_EQ(tabs->GetScrollPos(), 0);
}

TEST_F(TabOperations, DuplicateNumbersCopiesFromTheSource) {
    Make(TSS_DUPLICATE, 600);
    ASSERT_EQ(tabs->InsertTab(0, "Alpha", 42), 0);
    EXPECT_EQ(tabs->DuplicateTab(0, 1, TRUE), 1);
    EXPECT_EQ(tabs->DuplicateTab(0, 2, TRUE), 2);
    EXPECT_EQ(tabs->DuplicateTab(0, 3, TRUE), 3);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"Alpha", "Alpha (2)", "Alpha (3)", "Alpha (4)"}));
    DWORD_PTR data = 0;
    tabs->GetTabData(3, data);
    EXPECT_EQ(data, 42u);
    EXPECT_EQ(tabs->GetSelectedTab(), 3);  // the copy becomes current
    EXPECT_TRUE(Tab(3).m_bSelected);
    auto notes = Notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[2].hdr.code, TSN_DUPLICATED);
    EXPECT_EQ(notes[2].iTab, 3);
    EXPECT_STREQ(notes[2].label, "Alpha (4)");
    EXPECT_EQ(notes[2].data, 42u);
}

TEST_F(TabOperations, DuplicateReusesTheFirstFreeNumber) {
    Make(TSS_DUPLICATE, 800);
    Add({"Alpha (3)", "Alpha (2)", "Beta(7)", "Alpha (12)", "Gamma(1)", "X(10)", "(5)", "Y(09)", "Z(0)"});
    auto dup = [&](int from) {
        int r = tabs->DuplicateTab(from, tabs->GetTabCount(), FALSE);
        EXPECT_GE(r, 0);
        return r >= 0 ? Tab(r).m_label : std::string("<failed>");
    };
    EXPECT_EQ(dup(1), "Alpha (4)");  // Alpha (2) and (3) exist
    EXPECT_EQ(dup(2), "Beta(2)");
    EXPECT_EQ(dup(4), "Gamma(1) (2)");
    EXPECT_EQ(dup(5), "X(2)");
    EXPECT_EQ(dup(6), "(5) (2)");  // too short to carry a number
    EXPECT_EQ(dup(7), "Y(09) (2)");
    EXPECT_EQ(dup(8), "Z(0) (2)");
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, DuplicateOfACopyTakesAFreeLowerNumber) {
    Make(TSS_DUPLICATE, 800);
    Add({"Alpha (3)", "Alpha (12)"});
    EXPECT_EQ(tabs->DuplicateTab(0, 2, FALSE), 2);
    EXPECT_EQ(Tab(2).m_label, "Alpha (2)");
    // Alpha (12): base "Alpha ", Alpha (2) and (3) taken now.
    EXPECT_EQ(tabs->DuplicateTab(1, 3, FALSE), 3);
    EXPECT_EQ(Tab(3).m_label, "Alpha (4)");
    // Comparison is exact: a differently cased label does not count.
    Add({"beta", "Beta (2)"});
    EXPECT_EQ(tabs->DuplicateTab(4, 0, FALSE), 0);
    EXPECT_EQ(Tab(0).m_label, "beta (2)");
}

TEST_F(TabOperations, DuplicateTooLongIsRefusedWithoutNotification) {
    Make(TSS_DUPLICATE, 600);
    const std::string l26(26, 'n');  // + " (2)" = 30 characters
    ASSERT_EQ(tabs->InsertTab(0, l26, 0), 0);
    EXPECT_EQ(tabs->DuplicateTab(0, 1, TRUE), TSE_LABELTOOLONG);
    EXPECT_EQ(tabs->GetTabCount(), 1);
    EXPECT_TRUE(Notes().empty());
    const std::string l25(25, 'n');  // 29 with the number: accepted
    ASSERT_EQ(tabs->InsertTab(1, l25, 0), 1);
    EXPECT_EQ(tabs->DuplicateTab(1, 2, TRUE), 2);
    EXPECT_EQ(Tab(2).m_label.size(), 29u);
}

TEST_F(TabOperations, DuplicateRefusesBadIndices) {
    Make(0, 400);
    Add({"A"});
    EXPECT_EQ(tabs->DuplicateTab(1, 0, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->DuplicateTab(-1, 0, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->DuplicateTab(0, 2, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->DuplicateTab(0, -1, TRUE), TSE_BADINDEX);
    EXPECT_EQ(tabs->GetTabCount(), 1);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, MarkingNeedsTheMultiMarkStyle) {
    Make(0, 400);
    Add({"A", "B"});
    EXPECT_EQ(tabs->MarkTab(0, FALSE, FALSE), TSE_NOMULTIMARKSTYLE);
    EXPECT_EQ(tabs->MarkTab(0, TRUE, TRUE), TSE_NOMULTIMARKSTYLE);
    ASSERT_EQ(tabs->SelectTab(1), TSE_OK);
    EXPECT_FALSE(Tab(1).m_bMarked);
}

TEST_F(TabOperations, SelectingAnUnmarkedTabMakesItTheOnlyMark) {
    Make(TSS_MULTIMARK, 400);
    Add({"A", "B", "C", "D"});
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    EXPECT_TRUE(Tab(0).m_bMarked);
    EXPECT_EQ(tabs->MarkTab(2, FALSE, TRUE), TSE_OK);  // toggle on
    EXPECT_EQ(tabs->MarkTab(3, FALSE, TRUE), TSE_OK);
    EXPECT_TRUE(Tab(2).m_bMarked);
    EXPECT_TRUE(Tab(3).m_bMarked);
    // An already marked tab: all marks stay.
    ASSERT_EQ(tabs->SelectTab(2), TSE_OK);
    EXPECT_TRUE(Tab(0).m_bMarked && Tab(2).m_bMarked && Tab(3).m_bMarked);
    // An unmarked one: it alone stays marked.
    ASSERT_EQ(tabs->SelectTab(1), TSE_OK);
    EXPECT_FALSE(Tab(0).m_bMarked);
    EXPECT_TRUE(Tab(1).m_bMarked);
    EXPECT_FALSE(Tab(2).m_bMarked);
    EXPECT_FALSE(Tab(3).m_bMarked);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabOperations, ToggleLeavesTheCurrentTabAlone) {
    Make(TSS_MULTIMARK, 400);
    Add({"A", "B"});
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    EXPECT_EQ(tabs->MarkTab(0, TRUE, TRUE), TSE_OK);
    EXPECT_TRUE(Tab(0).m_bMarked);
    EXPECT_FALSE(Tab(0).m_bMarkChanged);
    EXPECT_EQ(tabs->MarkTab(1, TRUE, TRUE), TSE_OK);
    EXPECT_TRUE(Tab(1).m_bMarked);
    EXPECT_TRUE(Tab(1).m_bMarkChanged);
    EXPECT_EQ(tabs->MarkTab(1, TRUE, TRUE), TSE_OK);
    EXPECT_FALSE(Tab(1).m_bMarked);
    EXPECT_EQ(tabs->GetSelectedTab(), 0);
    EXPECT_EQ(tabs->MarkTab(2, TRUE, TRUE), TSE_BADINDEX);
}

TEST_F(TabOperations, MarkChangesByMouseRecordEveryChangedTab) {
    Make(TSS_MULTIMARK, 400);
    Add({"A", "B", "C", "D"});
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    tabs->MarkTab(2, FALSE, TRUE);
    tabs->MarkTab(3, FALSE, TRUE);
    ASSERT_EQ(tabs->ApplySelection(1, TRUE, FALSE), TSE_OK);  // a click on B
    EXPECT_TRUE(Tab(0).m_bMarkChanged);
    EXPECT_TRUE(Tab(1).m_bMarkChanged);
    EXPECT_TRUE(Tab(2).m_bMarkChanged);
    EXPECT_TRUE(Tab(3).m_bMarkChanged);
    // By program the others are unmarked without being recorded.
    tabs->MarkTab(3, FALSE, TRUE);
    ASSERT_EQ(tabs->SelectTab(2), TSE_OK);
    EXPECT_FALSE(Tab(1).m_bMarked);
    EXPECT_FALSE(Tab(1).m_bMarkChanged);
    EXPECT_FALSE(Tab(3).m_bMarkChanged);
    EXPECT_TRUE(Tab(2).m_bMarkChanged);
}

// MarkTab changes no mark for the current tab (toggle) or for a tab that is
// already marked (no toggle), but a press by mouse still shows the tab
// (LAYOUT_SHOW) and repaints; by program it only repaints.
TEST_F(TabOperations, MarkByMouseShowsTheTabEvenWhenNoMarkChanges) {
    Make(TSS_MULTIMARK, 200);
    AddNumbered(10);
    auto noneChanged = [&] {
        for (int i = 0; i < 10; ++i) EXPECT_FALSE(Tab(i).m_bMarkChanged) << i;
    };
    ASSERT_EQ(tabs->SelectTab(2), TSE_OK);  // current and marked, first shown
    ASSERT_EQ(tabs->GetScrollPos(), 2);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(Tab(2).m_kind, TK_EDGE_SELECTED);
    ::UpdateWindow(*tabs);
    ASSERT_FALSE(PaintPending(*tabs));
    // Ctrl+click on the current tab's sliver.
    EXPECT_EQ(tabs->MarkTab(2, TRUE, TRUE), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 2);
    EXPECT_EQ(Tab(2).m_kind, TK_FULL);
    EXPECT_TRUE(Tab(2).m_bMarked);
    noneChanged();
    EXPECT_TRUE(PaintPending(*tabs));

    // A marked tab that is not current, pressed without toggling.
    ASSERT_EQ(tabs->MarkTab(3, FALSE, TRUE), TSE_OK);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(tabs->GetScrollPos(), 4);
    ASSERT_EQ(Tab(3).m_kind, TK_EDGE);
    ::UpdateWindow(*tabs);
    EXPECT_EQ(tabs->MarkTab(3, TRUE, FALSE), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 3);
    EXPECT_TRUE(Tab(2).m_bMarked);
    EXPECT_TRUE(Tab(3).m_bMarked);
    noneChanged();
    EXPECT_TRUE(PaintPending(*tabs));

    // By program the same calls repaint but do not scroll.
    tabs->UpdateLayout(LAYOUT_FWD, -1);
    ASSERT_EQ(tabs->GetScrollPos(), 4);
    ::UpdateWindow(*tabs);
    EXPECT_EQ(tabs->MarkTab(3, FALSE, FALSE), TSE_OK);
    EXPECT_EQ(tabs->MarkTab(2, FALSE, TRUE), TSE_OK);
    EXPECT_EQ(tabs->GetScrollPos(), 4);
    EXPECT_TRUE(Tab(2).m_bMarked);
    EXPECT_TRUE(Tab(3).m_bMarked);
    EXPECT_TRUE(PaintPending(*tabs));
    EXPECT_TRUE(Notes().empty());
}

// Marking a tab that is not current unmarks the others, but not the current one.
TEST_F(TabOperations, MarkingAnotherTabKeepsTheCurrentTabsMark) {
    Make(TSS_MULTIMARK, 400);
    Add({"A", "B", "C"});
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    ASSERT_EQ(tabs->MarkTab(2, FALSE, TRUE), TSE_OK);
    EXPECT_EQ(tabs->MarkTab(1, FALSE, FALSE), TSE_OK);  // by program
    EXPECT_TRUE(Tab(0).m_bMarked);
    EXPECT_TRUE(Tab(1).m_bMarked);
    EXPECT_FALSE(Tab(2).m_bMarked);
    EXPECT_TRUE(Tab(1).m_bMarkChanged);
    EXPECT_FALSE(Tab(2).m_bMarkChanged);  // recorded only by mouse
    EXPECT_EQ(tabs->MarkTab(2, TRUE, FALSE), TSE_OK);  // by mouse
    EXPECT_TRUE(Tab(0).m_bMarked);
    EXPECT_FALSE(Tab(0).m_bMarkChanged);
    EXPECT_FALSE(Tab(1).m_bMarked);
    EXPECT_TRUE(Tab(1).m_bMarkChanged);
    EXPECT_TRUE(Tab(2).m_bMarked);
    EXPECT_TRUE(Tab(2).m_bMarkChanged);
    EXPECT_EQ(tabs->GetSelectedTab(), 0);
}

// Every operation that changes what the strip shows invalidates it without
// asking for the background to be erased.
TEST_F(TabOperations, OperationsRepaintWithoutErasing) {
    Make(TSS_MULTIMARK | TSS_REORDER | TSS_DUPLICATE, 400);
    Add({"A", "B", "C"});
    auto check = [&](const char* what, const std::function<void()>& op) {
        ::UpdateWindow(*tabs);
        ASSERT_FALSE(PaintPending(*tabs)) << what;
        op();
        EXPECT_TRUE(PaintPending(*tabs)) << what;
        EXPECT_FALSE(PaintErases(*tabs)) << what;
    };
    check("InsertTab", [&] { tabs->InsertTab(1, "D", 0); });
    check("SelectTab", [&] { tabs->SelectTab(2); });
    check("ApplySelection by mouse", [&] { tabs->ApplySelection(0, TRUE, FALSE); });
    check("MoveTab", [&] { tabs->MoveTab(0, 3, FALSE); });
    check("DuplicateTab", [&] { tabs->DuplicateTab(0, 1, FALSE); });
    check("MarkTab toggled by program", [&] { tabs->MarkTab(3, FALSE, TRUE); });
    check("MarkTab by mouse", [&] { tabs->MarkTab(3, TRUE, TRUE); });
}

// The parent gets wParam = the control's id, and the record describes the tab
// as the layout placed it after the move or copy.
TEST_F(TabOperations, NotificationsFollowTheLayoutAndCarryTheIdAsWParam) {
    Make(TSS_REORDER | TSS_DUPLICATE, 200);
    AddNumbered(10);
    MessageSpy spy(*parent);
    ASSERT_EQ(tabs->MoveTab(0, 10, TRUE), 9);
    ASSERT_GT(tabs->GetScrollPos(), 0);  // scrolled to show the moved tab
    const RECT moved = Tab(9).m_rcLabel;
    ASSERT_LE(moved.right, 200);
    ASSERT_EQ(tabs->DuplicateTab(9, 10, TRUE), 10);
    auto notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].hdr.code, TSN_MOVED);
    EXPECT_EQ(notes[1].hdr.code, TSN_DUPLICATED);
    EXPECT_STREQ(notes[1].label, "Tab 0 (2)");
    EXPECT_EQ(notes[1].iTab, 10);
    EXPECT_TRUE(notes[1].selected);  // made current before the notification
    EXPECT_EQ(notes[1].rcLabel, Tab(10).m_rcLabel);
    EXPECT_LE(Tab(10).m_rcLabel.right, 200);
    EXPECT_EQ(notes[0].rcLabel, moved);  // its place after the move, not before
    int sent = 0;
    for (const auto& m : spy.seen) {
        if (m.msg != WM_NOTIFY) continue;
        ++sent;
        EXPECT_EQ(m.wParam, static_cast<WPARAM>(kId));
    }
    EXPECT_EQ(sent, 2);
}

// The record's bytes as a parent built for the 32-bit layout reads them.
TEST_F(TabOperations, NotificationRecordLayoutAndZeroedFields) {
    Make(TSS_DUPLICATE, 400);
    ASSERT_EQ(tabs->InsertTab(0, "Alpha", 0x11223344), 0);
    ASSERT_EQ(tabs->SelectTab(0), TSE_OK);
    EXPECT_EQ(tabs->SendTabNotify(TSN_PRESS, 0, 5, 6), 0);
    EXPECT_EQ(tabs->SendTabNotify(TSN_PRESS, TSHT_BACK, 7, 8), 0);
    EXPECT_EQ(tabs->SendTabNotify(TSN_SELECT, 3, 0, 0), 0);  // no such tab: no tab fields
    ASSERT_EQ(parent->notifications.size(), 3u);
    const auto& raw = parent->notifications[0].bytes;
    ASSERT_EQ(raw.size(), sizeof(NMTABSTRIP));
#if !defined(_WIN64)
    EXPECT_EQ(sizeof(NMTABSTRIP), 84u);
#endif
    auto at = [&](size_t off) {
        int v;
        std::memcpy(&v, raw.data() + off, sizeof v);
        return v;
    };
    EXPECT_EQ(parent->notifications[0].idFrom, kId);
    EXPECT_EQ(parent->notifications[0].code, TSN_PRESS);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, iTab)), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw.data() + offsetof(NMTABSTRIP, label))), "Alpha");
    for (size_t i = 5; i < 32; ++i) EXPECT_EQ(raw[offsetof(NMTABSTRIP, label) + i], 0) << i;
    EXPECT_EQ(at(offsetof(NMTABSTRIP, data)), 0x11223344);
    const RECT& lr = Tab(0).m_rcLabel;
    EXPECT_EQ(at(offsetof(NMTABSTRIP, rcLabel)), lr.left);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, rcLabel) + 12), lr.bottom);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, pt)), 5);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, pt) + 4), 6);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, selected)), 1);
    EXPECT_EQ(at(offsetof(NMTABSTRIP, marked)), 0);
    HWND from;
    std::memcpy(&from, raw.data(), sizeof from);
    EXPECT_EQ(from, tabs->GetHwnd());

    for (size_t k = 1; k < 3; ++k) {
        NMTABSTRIP nm;
        std::memcpy(&nm, parent->notifications[k].bytes.data(), sizeof nm);
        EXPECT_EQ(nm.label[0], 0);
        EXPECT_EQ(nm.data, 0u);
        EXPECT_EQ(nm.rcLabel.right, 0);
        EXPECT_EQ(nm.selected, FALSE);
    }
    NMTABSTRIP back;
    std::memcpy(&back, parent->notifications[1].bytes.data(), sizeof back);
    EXPECT_EQ(back.iTab, TSHT_BACK);
    EXPECT_EQ(back.pt.x, 7);
}

TEST_F(TabOperations, ParentReplyIsReturned) {
    Make(0, 400);
    Add({"A"});
    parent->onNotify = [](const NMHDR* nm) { return LRESULT(nm->code == TSN_RENAMING ? 1 : 0); };
    EXPECT_EQ(tabs->SendTabNotify(TSN_RENAMING, 0, 0, 0), 1);
    EXPECT_EQ(tabs->SendTabNotify(TSN_PRESS, 0, 0, 0), 0);
}

}  // namespace
