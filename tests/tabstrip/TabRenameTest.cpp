// In-place renaming: the editor's own message loop, driven by a script of
// steps that a thread timer plays while the loop runs.
#include "TabStripFixture.h"

#include <deque>
#include <functional>

namespace {

// Steps run one per timer tick on this thread, from inside whatever message
// loop is running then (BeginRename's own).
class Script {
public:
    explicit Script(std::vector<std::function<void()>> steps) : m_steps(steps.begin(), steps.end()) {
        s_current = this;
        m_timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &Tick);
    }
    ~Script() {
        ::KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }
    bool Done() const { return m_steps.empty(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (!s_current || s_current->m_steps.empty()) return;
        auto step = std::move(s_current->m_steps.front());
        s_current->m_steps.pop_front();
        step();
    }
    static inline Script* s_current = nullptr;
    std::deque<std::function<void()>> m_steps;
    UINT_PTR m_timer = 0;
};

class TabRename : public TabStripTest {
public:  // the case tables' lambdas drive the fixture
    using TabStripTest::parent;
    using TabStripTest::Tab;
    using TabStripTest::tabs;

    void SetUp() override {
        Make(TSS_RENAME, 400);
        Add({"Alpha", "Beta", "Gamma"});
        tabs->SelectTab(1);
    }
    HWND Editor() const { return tabs->GetEditorWindow(); }
    void Type(const std::string& text) const {
        for (char c : text) ::PostMessageA(Editor(), WM_CHAR, static_cast<BYTE>(c), 1);
    }
    void Key(HWND to, UINT vk) const { ::PostMessageA(to, WM_KEYDOWN, vk, 1); }
    void Post(HWND to, UINT msg, POINT pt) const { ::PostMessageA(to, msg, 0, MAKELPARAM(pt.x, pt.y)); }
    POINT OnTab(int i) const {
        const RECT& r = Tab(i).m_rcLabel;
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    std::vector<UINT> Codes() const {
        std::vector<UINT> v;
        for (const NMTABSTRIP& n : Notes()) v.push_back(n.hdr.code);
        return v;
    }
    // Renames tab 1 while the steps play; checks the loop ran them all.
    int Rename(std::vector<std::function<void()>> steps) {
        Script script(std::move(steps));
        const int r = tabs ? tabs->BeginRename(1, FALSE) : TSE_OK;
        EXPECT_TRUE(script.Done());
        return r;
    }
};

TEST_F(TabRename, RefusalsComeInTheirOrder) {
    EXPECT_EQ(tabs->BeginRename(3, FALSE), TSE_BADINDEX);
    EXPECT_EQ(tabs->BeginRename(0, FALSE), TSE_NOTSELECTED);
    int busy = 0;
    EXPECT_EQ(Rename({[&] { busy = tabs->BeginRename(1, FALSE); }, [&] { Key(Editor(), VK_ESCAPE); }}), TSE_OK);
    EXPECT_EQ(busy, TSE_BUSY);

    TearDown();
    Make(0, 400);
    Add({"A"});
    tabs->SelectTab(0);
    EXPECT_EQ(tabs->BeginRename(1, FALSE), TSE_BADINDEX);
    EXPECT_EQ(tabs->BeginRename(0, FALSE), TSE_NORENAMESTYLE);
    // Without the style a double-click only presses.
    ::SendMessageA(*tabs, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(OnTab(0).x, OnTab(0).y));
    EXPECT_EQ(tabs->GetEditorWindow(), nullptr);
}

TEST_F(TabRename, EscapeRestoresTheOldLabelWithoutANotice) {
    std::string shown;
    EXPECT_EQ(Rename({[&] {
                          ASSERT_NE(Editor(), nullptr);
                          EXPECT_EQ(::GetFocus(), Editor());
                          Type("Zeta omega");  // replaces the selected text
                      },
                      [&] {
                          shown = Tab(1).m_label;
                          Key(Editor(), VK_ESCAPE);
                      }}),
              TSE_OK);
    EXPECT_EQ(shown, "Zeta omega");  // the tab followed the typing
    EXPECT_EQ(Tab(1).m_label, "Beta");
    EXPECT_EQ(Editor(), nullptr);
    EXPECT_TRUE(Notes().empty());
}

TEST_F(TabRename, EnterAsksTheParentWhoMayKeepTheEditorOpen) {
    int asked = 0;
    parent->onNotify = [&](const NMHDR* nm) { return LRESULT{nm->code == TSN_RENAMING && ++asked == 1}; };
    EXPECT_EQ(Rename({[&] { Type("Zed"); },
                      [&] { Key(Editor(), VK_RETURN); },
                      [&] {
                          EXPECT_NE(Editor(), nullptr);  // vetoed
                          Type("!");
                          Key(Editor(), VK_RETURN);
                      }}),
              TSE_OK);
    ASSERT_EQ(Codes(), (std::vector<UINT>{TSN_RENAMING, TSN_RENAMING}));
    EXPECT_STREQ(Notes()[0].label, "Zed");
    EXPECT_EQ(Notes()[0].iTab, 1);
    EXPECT_STREQ(Notes()[1].label, "Zed!");
    EXPECT_EQ(Tab(1).m_label, "Zed!");
    EXPECT_EQ(Editor(), nullptr);
}

TEST_F(TabRename, TheEditorTakesThirtyCharactersAndTheLabelKeepsThem) {
    Rename({[&] { Type(std::string(40, 'w')); }, [&] { Key(Editor(), VK_RETURN); }});
    EXPECT_EQ(Tab(1).m_label, std::string(30, 'w'));
    EXPECT_EQ(tabs->InsertTab(0, std::string(30, 'w'), 0), TSE_LABELTOOLONG);
}

TEST_F(TabRename, ClicksWhileEditing) {
    struct Case {
        const char* name;
        std::function<void(TabRename&)> click;
        bool ends;
        int current;
    };
    const Case cases[] = {
        {"on the tab being edited", [](TabRename& t) { t.Post(*t.tabs, WM_LBUTTONDOWN, t.OnTab(1)); }, false, 1},
        {"right button", [](TabRename& t) { t.Post(*t.tabs, WM_RBUTTONDOWN, t.OnTab(0)); }, false, 1},
        {"double-click", [](TabRename& t) { t.Post(*t.tabs, WM_LBUTTONDBLCLK, t.OnTab(0)); }, false, 1},
        {"in the editor", [](TabRename& t) { t.Post(t.Editor(), WM_LBUTTONDOWN, {2, 2}); }, false, 1},
        {"on another tab", [](TabRename& t) { t.Post(*t.tabs, WM_LBUTTONDOWN, t.OnTab(2)); }, true, 2},
        {"in another window", [](TabRename& t) { t.Post(*t.parent, WM_LBUTTONDOWN, {300, 150}); }, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        MessageSpy parentSpy(*parent);
        bool open = false;  // still open after the click: the last step ran
        Script script({[&] { Type("New"); },
                       [&] { c.click(*this); },
                       [&] {
                           open = Editor() != nullptr;
                           if (open) Key(Editor(), VK_ESCAPE);
                       }});
        EXPECT_EQ(tabs->BeginRename(1, FALSE), TSE_OK);
        EXPECT_EQ(open, !c.ends);
        EXPECT_EQ(Tab(1).m_label, c.ends ? "New" : "Beta");
        EXPECT_EQ(tabs->GetSelectedTab(), c.current);
        EXPECT_EQ(parentSpy.Count(WM_LBUTTONDOWN), 0);  // a click that ends editing elsewhere is lost
        if (::GetCapture()) ::ReleaseCapture();
        TearDown();
    }
}

TEST_F(TabRename, ADoubleClickOnTheCurrentTabStartsEditing) {
    std::string seen;
    Script script({[&] {
        char text[64] = "";
        ::GetWindowTextA(Editor(), text, sizeof text);
        seen = text;
        Key(Editor(), VK_ESCAPE);
    }});
    ::SendMessageA(*tabs, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(OnTab(1).x, OnTab(1).y));
    EXPECT_EQ(seen, "Beta");
    EXPECT_EQ(tabs->GetPressTarget(), TSHT_NONE);
    EXPECT_NE(::GetCapture(), tabs->GetHwnd());
}

TEST_F(TabRename, TheLoopEndsWithTheProgramOrTheWindow) {
    // A quit message ends editing and is posted again for the outer loop.
    EXPECT_EQ(Rename({[&] { Type("x"); }, [] { ::PostQuitMessage(7); }}), TSE_OK);
    EXPECT_EQ(Tab(1).m_label, "Beta");
    EXPECT_EQ(Editor(), nullptr);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);

    // The parent window goes, taking the control's window and the editor.
    EXPECT_EQ(Rename({[&] { Type("y"); }, [&] { parent->DestroyWindow(); }}), TSE_OK);
    EXPECT_FALSE(tabs->IsCreated());
    EXPECT_EQ(Tab(1).m_label, "Beta");

    // The control object itself is deleted from inside the loop.
    SetUp();
    Script script({[&] { Type("z"); }, [&] { tabs.reset(); }});
    EXPECT_EQ(tabs->BeginRename(1, FALSE), TSE_OK);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(tabs, nullptr);
}

TEST_F(TabRename, AHundredSessionsLeaveNoObjectsBehind) {
    auto session = [&] {
        Rename({[&] { Type("Renamed"); }, [&] { Key(Editor(), VK_RETURN); }});
        Rename({[&] { Type("x"); }, [&] { Key(Editor(), VK_ESCAPE); }});
        ::UpdateWindow(*tabs);
    };
    session();  // first use: the edit class, caches
    testsupport::PumpMessages();
    const DWORD gdi = GdiCount();
    const DWORD user = UserCount();
    for (int i = 0; i < 50 && !HasFatalFailure(); ++i) session();
    testsupport::PumpMessages();
    EXPECT_EQ(Tab(1).m_label, "Renamed");
    EXPECT_LE(GdiCount(), gdi + 1);  // one object the system makes for itself
    EXPECT_EQ(UserCount(), user);
}

}  // namespace
