// The strip under the mouse: real mouse and timer messages to the real window.
#include "TabStripFixture.h"

#include <functional>

namespace {

using NoteList = std::vector<std::pair<UINT, int>>;  // (code, iTab)

void SetCtrl(bool down) {
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    keys[VK_LCONTROL] = keys[VK_CONTROL];
    ::SetKeyboardState(keys);
}

// Handles this thread's messages until the condition holds; false on timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        testsupport::PumpMessages();
        ::Sleep(1);
    }
    return true;
}

// Handles this thread's messages for a while.
void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

class TabMouse : public TabStripTest {
public:  // the case tables' lambdas drive the fixture
    using TabStripTest::parent;
    using TabStripTest::Tab;
    using TabStripTest::tabs;

    void TearDown() override {
        SetCtrl(false);
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
        if (tabs && ::GetCapture() == tabs->GetHwnd()) ::ReleaseCapture();
        TabStripTest::TearDown();
    }
    void Send(UINT msg, POINT pt, UINT flags = 0) { ::SendMessageA(*tabs, msg, flags, MAKELPARAM(pt.x, pt.y)); }
    POINT OnTab(int i) const {
        const RECT& r = Tab(i).m_rcLabel;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    POINT OnButton(int code) const {
        const RECT r = tabs->GetButtonRect(code);
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Click(POINT pt, UINT flags = 0) {
        Send(WM_LBUTTONDOWN, pt, MK_LBUTTON | flags);
        Send(WM_LBUTTONUP, pt, flags);
    }
    NoteList Codes() const {
        NoteList v;
        for (const NMTABSTRIP& n : TabStripTest::Notes()) v.emplace_back(n.hdr.code, n.iTab);
        return v;
    }
    // A strip that can drag: the reorder cursor set (and the copy cursor).
    void MakeDraggable(DWORD style, int width = 600) {
        Make(style, width);
        tabs->SetReorderCursors(::LoadCursor(nullptr, IDC_SIZEALL), ::LoadCursor(nullptr, IDC_CROSS));
        Add({"Alpha", "Beta", "Gamma", "Delta"});
        tabs->SelectTab(0);
    }
    // Lets the drag delay pass the way the system does it: its timer fires.
    bool WaitForDragCursor(HCURSOR cursor) {
        return PumpUntil([&] { return ::GetCursor() == cursor; });
    }
};

TEST_F(TabMouse, ClicksNotifyInOrderAndSelectOrMark) {
    struct Case {
        const char* name;
        DWORD style;
        std::function<void(TabMouse&)> act;
        NoteList expected;
        int current;
        std::vector<int> marked;
    };
    const Case cases[] = {
        {"other tab", 0, [](TabMouse& t) { t.Click(t.OnTab(2)); }, {{TSN_PRESS, 2}, {TSN_SELECT, 2}}, 2, {}},
        {"current tab", 0, [](TabMouse& t) { t.Click(t.OnTab(0)); }, {{TSN_PRESS, 0}}, 0, {}},
        {"empty space", 0, [](TabMouse& t) { t.Click({590, 10}); }, {{TSN_PRESS, TSHT_NONE}}, 0, {}},
        {"right button", 0, [](TabMouse& t) { t.Send(WM_RBUTTONDOWN, t.OnTab(2), MK_RBUTTON); },
         {{TSN_RPRESS, 2}}, 0, {}},
        {"ctrl+click toggles a mark", TSS_MULTIMARK,
         [](TabMouse& t) { t.Click(t.OnTab(3), MK_CONTROL); }, {{TSN_PRESS, 3}, {TSN_MARK, 3}}, 0, {0, 3}},
        {"ctrl+click on the current tab", TSS_MULTIMARK,
         [](TabMouse& t) { t.Click(t.OnTab(0), MK_CONTROL); }, {{TSN_PRESS, 0}}, 0, {0}},
        {"plain click leaves one mark", TSS_MULTIMARK,
         [](TabMouse& t) {
             t.Click(t.OnTab(3), MK_CONTROL);
             t.parent->notifications.clear();
             t.Click(t.OnTab(1));
         },
         {{TSN_PRESS, 1}, {TSN_SELECT, 1}, {TSN_MARK, 0}, {TSN_MARK, 1}, {TSN_MARK, 3}}, 1, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Make(c.style, 600);
        Add({"Alpha", "Beta", "Gamma", "Delta"});
        tabs->SelectTab(0);
        int currentAtSelect = -99;
        parent->onNotify = [&](const NMHDR* nm) {
            if (nm->code == TSN_SELECT) currentAtSelect = tabs->GetSelectedTab();
            return LRESULT{0};
        };
        c.act(*this);
        EXPECT_EQ(Codes(), c.expected);
        EXPECT_EQ(tabs->GetSelectedTab(), c.current);
        if (currentAtSelect != -99) {
            EXPECT_EQ(currentAtSelect, c.current);  // changed before the notice
        }
        std::vector<int> marked;
        for (int i = 0; i < tabs->GetTabCount(); ++i)
            if (Tab(i).m_bMarked) marked.push_back(i);
        EXPECT_EQ(marked, c.marked);
        EXPECT_EQ(tabs->GetPressTarget(), TSHT_NONE);
        EXPECT_NE(::GetCapture(), tabs->GetHwnd());
        parent->onNotify = nullptr;
        TearDown();
    }
}

TEST_F(TabMouse, HeldScrollButtonStepsAtOnceThenRepeatsWhileOverIt) {
    Make(0, 200);
    AddNumbered(12);
    const POINT fwd = OnButton(TSHT_FWD);
    const DWORD pressed = ::GetTickCount();
    Send(WM_LBUTTONDOWN, fwd, MK_LBUTTON);
    EXPECT_EQ(tabs->GetScrollPos(), 1);  // the first step comes with the press
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_PRESSED);

    ASSERT_TRUE(PumpUntil([&] { return tabs->GetScrollPos() == 2; }));
    EXPECT_GE(::GetTickCount() - pressed, 250u);

    // Off the button the repeat pauses; back over it, it goes on.
    Send(WM_MOUSEMOVE, {fwd.x, 40}, MK_LBUTTON);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
    PumpFor(700);
    EXPECT_EQ(tabs->GetScrollPos(), 2);
    Send(WM_MOUSEMOVE, fwd, MK_LBUTTON);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_PRESSED);
    ASSERT_TRUE(PumpUntil([&] { return tabs->GetScrollPos() == 3; }));

    Send(WM_LBUTTONUP, fwd);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
    PumpFor(700);
    EXPECT_EQ(tabs->GetScrollPos(), 3);
    EXPECT_EQ(Codes(), (NoteList{{TSN_PRESS, TSHT_FWD}}));

    // Hover without a button held shows hot; leaving the window, normal.
    Send(WM_MOUSEMOVE, OnButton(TSHT_BACK));
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_HOT);
    EXPECT_EQ(tabs->GetButtonState(TSHT_FWD), ARROW_NORMAL);
    ::SendMessageA(*tabs, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(tabs->GetButtonState(TSHT_BACK), ARROW_NORMAL);
}

TEST_F(TabMouse, FourButtonsScrollHomeAndEnd) {
    Make(TSS_FOURARROWS, 250);
    AddNumbered(12);
    Click(OnButton(TSHT_END));
    const int end = tabs->GetScrollPos();
    EXPECT_GT(end, 5);
    EXPECT_EQ(Tab(11).m_kind, TK_FULL);
    Click(OnButton(TSHT_BACK));
    EXPECT_EQ(tabs->GetScrollPos(), end - 1);
    Click(OnButton(TSHT_HOME));
    EXPECT_EQ(tabs->GetScrollPos(), 0);
}

// The delay is real time with the system's timers running: a press let go
// well inside it is a click, one held well past it drags the tab.
TEST_F(TabMouse, APressBecomesADragOnlyAfterItsDelay) {
    const std::vector<std::string> unmoved = {"Alpha", "Beta", "Gamma", "Delta"};
    const struct {
        DWORD heldMs;
        std::vector<std::string> labels;
        NoteList codes;
    } cases[] = {
        {0, unmoved, {{TSN_PRESS, 0}}},
        {150, unmoved, {{TSN_PRESS, 0}}},
        {400, {"Beta", "Gamma", "Alpha", "Delta"}, {{TSN_PRESS, 0}, {TSN_MOVED, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.heldMs) + " ms");
        MakeDraggable(TSS_REORDER);
        const POINT drop = {Tab(2).m_rcLabel.right + 10, 10};
        const DWORD pressed = ::GetTickCount();
        Send(WM_LBUTTONDOWN, OnTab(0), MK_LBUTTON);
        PumpFor(c.heldMs);
        // The insertion point follows the pointer either way.
        for (int i = 0; i < 3; ++i) Send(WM_MOUSEMOVE, drop, MK_LBUTTON);
        EXPECT_EQ(tabs->GetDropPos(), 3);
        const DWORD held = ::GetTickCount() - pressed;
        Send(WM_LBUTTONUP, drop);
        EXPECT_EQ(Labels(), c.labels) << "released after " << held << " ms";
        EXPECT_EQ(Codes(), c.codes);
        EXPECT_EQ(Labels().at(static_cast<size_t>(tabs->GetSelectedTab())), "Alpha");  // still current
        EXPECT_NE(::GetCapture(), tabs->GetHwnd());
        TearDown();
    }
}

TEST_F(TabMouse, DropsThatChangeNothing) {
    struct Case {
        const char* name;
        DWORD style;
        std::function<void(TabMouse&)> during;  // after the drag cursor shows
    };
    const Case cases[] = {
        {"own position", TSS_REORDER, [](TabMouse&) {}},
        {"just right of itself", TSS_REORDER,
         [](TabMouse& t) { t.Send(WM_MOUSEMOVE, {t.Tab(1).m_rcLabel.right + 6, 10}, MK_LBUTTON); }},
        {"ctrl cancels a move-only drag", TSS_REORDER,
         [](TabMouse& t) {
             SetCtrl(true);
             EXPECT_TRUE(PumpUntil([&] { return t.tabs->GetPressTarget() == TSHT_NONE; }));
             EXPECT_NE(::GetCapture(), t.tabs->GetHwnd());
             t.Send(WM_MOUSEMOVE, {t.Tab(3).m_rcLabel.right + 10, 10}, MK_LBUTTON | MK_CONTROL);
             SetCtrl(false);
         }},
        {"capture taken by another window", TSS_REORDER,
         [](TabMouse& t) {
             ::SetCapture(*t.parent);
             EXPECT_EQ(t.tabs->GetPressTarget(), TSHT_NONE);
             ::ReleaseCapture();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeDraggable(c.style);
        Send(WM_LBUTTONDOWN, OnTab(1), MK_LBUTTON);
        ASSERT_TRUE(WaitForDragCursor(tabs->GetReorderCursor()));
        c.during(*this);
        Send(WM_LBUTTONUP, OnTab(1));
        EXPECT_EQ(Labels(), (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta"}));
        EXPECT_EQ(Codes(), (NoteList{{TSN_PRESS, 1}, {TSN_SELECT, 1}}));
        TearDown();
    }
}

TEST_F(TabMouse, CtrlDragCopiesAndReleasingCtrlTurnsItIntoAMove) {
    MakeDraggable(TSS_REORDER | TSS_DUPLICATE);
    SetCtrl(true);
    Send(WM_LBUTTONDOWN, OnTab(1), MK_LBUTTON | MK_CONTROL);
    ASSERT_TRUE(WaitForDragCursor(tabs->GetDuplicateCursor()));
    for (int i = 0; i < 4; ++i) Send(WM_MOUSEMOVE, {Tab(3).m_rcLabel.right + 10, 10}, MK_LBUTTON | MK_CONTROL);
    Send(WM_LBUTTONUP, {Tab(3).m_rcLabel.right + 10, 10}, MK_CONTROL);
    EXPECT_EQ(Labels(), (std::vector<std::string>{"Alpha", "Beta", "Gamma", "Delta", "Beta (2)"}));
    EXPECT_EQ(tabs->GetSelectedTab(), 4);
    EXPECT_EQ(Codes().back(), (std::pair<UINT, int>{TSN_DUPLICATED, 4}));

    parent->notifications.clear();
    Send(WM_LBUTTONDOWN, OnTab(0), MK_LBUTTON | MK_CONTROL);
    ASSERT_TRUE(WaitForDragCursor(tabs->GetDuplicateCursor()));
    SetCtrl(false);
    ASSERT_TRUE(WaitForDragCursor(tabs->GetReorderCursor()));
    for (int i = 0; i < 2; ++i) Send(WM_MOUSEMOVE, {Tab(1).m_rcLabel.right + 10, 10}, MK_LBUTTON);
    Send(WM_LBUTTONUP, {Tab(1).m_rcLabel.right + 10, 10});
    EXPECT_EQ(Labels(), (std::vector<std::string>{"Beta", "Alpha", "Gamma", "Delta", "Beta (2)"}));
    EXPECT_EQ(Codes().back(), (std::pair<UINT, int>{TSN_MOVED, 1}));
}

TEST_F(TabMouse, DraggingPastTheRightEdgeScrollsTowardsTheEnd) {
    Make(TSS_REORDER, 200);
    tabs->SetReorderCursors(::LoadCursor(nullptr, IDC_SIZEALL), nullptr);
    AddNumbered(12);
    tabs->SelectTab(0);
    Send(WM_LBUTTONDOWN, OnTab(0), MK_LBUTTON);
    ::SendMessageA(*tabs, WM_TIMER, TIMER_DRAG, 0);  // the delay is over
    for (int i = 0; i < 30; ++i) Send(WM_MOUSEMOVE, {250, 10}, MK_LBUTTON);
    EXPECT_GT(tabs->GetScrollPos(), 3);
    Send(WM_LBUTTONUP, {250, 10});
    EXPECT_EQ(Tab(11).m_label, "Tab 0");
    EXPECT_EQ(tabs->GetSelectedTab(), 11);
}

TEST_F(TabMouse, AThousandDragsLeaveNoObjectsBehind) {
    MakeDraggable(TSS_REORDER);
    auto drag = [&](int from, int moves) {
        Send(WM_LBUTTONDOWN, OnTab(from), MK_LBUTTON);
        ::SendMessageA(*tabs, WM_TIMER, TIMER_DRAG, 0);
        for (int i = 0; i < moves; ++i) Send(WM_MOUSEMOVE, {Tab(3).m_rcLabel.right + 10, 10}, MK_LBUTTON);
        ::UpdateWindow(*tabs);  // with the drop marker
        Send(WM_LBUTTONUP, {Tab(3).m_rcLabel.right + 10, 10});
        ::UpdateWindow(*tabs);
    };
    drag(0, 4);  // first use: caches
    testsupport::PumpMessages();
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    for (int i = 0; i < 1000 && !HasFatalFailure(); ++i) drag(i % 4, 4);
    testsupport::PumpMessages();
    EXPECT_EQ(tabs->GetTabCount(), 4);
    EXPECT_LE(GdiCount(), gdi + 1);  // one object the system makes for itself
    EXPECT_EQ(UserCount(), user);
}

// A press held where it changes nothing repaints nothing, though its timer
// runs on: a scroll button at its end of the strip, a dragged tab held still.
TEST_F(TabMouse, AHeldPressThatChangesNothingRepaintsNothing) {
    POINT pointer{};
    ASSERT_TRUE(::GetCursorPos(&pointer));
    for (bool onButton : {true, false}) {
        SCOPED_TRACE(onButton ? "next button at the end" : "a dragged tab held still");
        MakeDraggable(TSS_REORDER, 200);
        if (onButton) tabs->UpdateLayout(LAYOUT_END, -1);
        const POINT at = onButton ? OnButton(TSHT_FWD) : OnTab(1);
        POINT screen = at;
        ::ClientToScreen(*tabs, &screen);
        ::SetCursorPos(screen.x, screen.y);  // moves the system makes up change nothing
        Send(WM_LBUTTONDOWN, at, MK_LBUTTON);
        if (!onButton) {
            ASSERT_TRUE(WaitForDragCursor(tabs->GetReorderCursor()));
        }
        PumpFor(50);  // the press's own repaint
        auto spy = std::make_unique<MessageSpy>(*tabs);
        PumpFor(600);
        EXPECT_EQ(spy->Count(WM_PAINT), 0);
        spy.reset();
        Send(WM_LBUTTONUP, at);
        TearDown();
    }
    ::SetCursorPos(pointer.x, pointer.y);
}

}  // namespace
