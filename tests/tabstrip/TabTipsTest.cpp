#include "TabStripFixture.h"

#include <commctrl.h>

#include <sstream>

namespace {

UINT_PTR Id(int id) { return static_cast<UINT_PTR>(static_cast<INT_PTR>(id)); }

// While installed, no tooltip window can be created on this thread.
HHOOK g_refuseTips = nullptr;
LRESULT CALLBACK RefuseTooltipWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char cls[64] = "";
        ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
        if (::lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0) return 1;
    }
    return ::CallNextHookEx(g_refuseTips, code, wParam, lParam);
}

class TabTips : public TabStripTest {
protected:
    HWND Tips() const { return tabs->GetToolTipWindow(); }

    // The tool's text as the tooltip control reports it (TTM_GETTEXT).
    std::string TipText(int id) const {
        char buf[80] = "";
        TTTOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = *tabs;
        ti.uId = Id(id);
        ti.lpszText = buf;
        ::SendMessageA(Tips(), TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
        buf[sizeof buf - 1] = 0;
        return buf;
    }
    // Full text through the wide message (no 80-byte cap).
    std::string LongTipText(int id) const {
        wchar_t buf[1025] = L"";
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = *tabs;
        ti.uId = Id(id);
        ti.lpszText = buf;
        ::SendMessageW(Tips(), TTM_GETTEXTW, 1025, reinterpret_cast<LPARAM>(&ti));
        char out[1100] = "";
        ::WideCharToMultiByte(CP_ACP, 0, buf, -1, out, sizeof out, nullptr, nullptr);
        return out;
    }
    bool ToolRect(int id, RECT* rc) const {
        TTTOOLINFOA ti{};
        ti.cbSize = TTTOOLINFOA_V2_SIZE;
        ti.hwnd = *tabs;
        ti.uId = Id(id);
        if (!::SendMessageA(Tips(), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti))) return false;
        *rc = ti.rect;
        return true;
    }
    std::vector<std::string> TabTipTexts() const {
        std::vector<std::string> v;
        for (int i = 0; i < tabs->GetTabCount(); ++i) v.push_back(TipText(i + 1));
        return v;
    }
    void TipAll() {
        for (int i = 0; i < tabs->GetTabCount(); ++i)
            ASSERT_EQ(tabs->SetTabTip(i, "tip " + Tab(i).m_label), TSE_OK);
    }
};

TEST_F(TabTips, WithoutTheStyleNoTipAndNoWindow) {
    Make(0, 400);
    Add({"A"});
    EXPECT_EQ(tabs->SetTabTip(0, "x"), TSE_NOTIPSSTYLE);
    EXPECT_EQ(tabs->SetTabTip(-2, "x"), TSE_NOTIPSSTYLE);
    EXPECT_EQ(Tips(), nullptr);
}

TEST_F(TabTips, IndexRangeIsButtonsAndTabs) {
    Make(TSS_TIPS, 400);
    Add({"A", "B"});
    EXPECT_EQ(tabs->SetTabTip(-5, "x"), TSE_BADINDEX);
    EXPECT_EQ(tabs->SetTabTip(2, "x"), TSE_BADINDEX);
    EXPECT_EQ(Tips(), nullptr);  // refused before the window is made
    EXPECT_EQ(tabs->SetTabTip(-2, "Previous"), TSE_OK);
    ASSERT_NE(Tips(), nullptr);
    char cls[64] = "";
    ::GetClassNameA(Tips(), cls, sizeof cls);
    EXPECT_STREQ(cls, TOOLTIPS_CLASSA);
    EXPECT_EQ(::GetWindow(Tips(), GW_OWNER), parent->GetHwnd());
    EXPECT_EQ(TipText(-2), "Previous");
    RECT rc{};
    ASSERT_TRUE(ToolRect(-2, &rc));
    EXPECT_EQ(rc, tabs->GetButtonRect(TSHT_BACK));
    EXPECT_EQ(tabs->SetTabTip(-4, "Last"), TSE_OK);
    ASSERT_TRUE(ToolRect(-4, &rc));
    EXPECT_TRUE(::IsRectEmpty(&rc));  // no last button with two buttons
    EXPECT_EQ(tabs->SetTabTip(1, "Second"), TSE_OK);
    EXPECT_EQ(TipText(2), "Second");
    EXPECT_EQ(TipText(0), "");  // id 0 is never used
}

TEST_F(TabTips, TooltipWindowThatCannotBeMadeChangesNothing) {
    Make(TSS_TIPS, 400);
    Add({"A", "B"});
    g_refuseTips = ::SetWindowsHookExA(WH_CBT, RefuseTooltipWindows, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(g_refuseTips, nullptr);
    ::UpdateWindow(*tabs);
    const int tab = tabs->SetTabTip(0, "a");
    const int button = tabs->SetTabTip(TSHT_BACK, "Previous");
    ::UnhookWindowsHookEx(g_refuseTips);
    g_refuseTips = nullptr;
    EXPECT_EQ(tab, TSE_NOTIPWINDOW);
    EXPECT_EQ(button, TSE_NOTIPWINDOW);
    EXPECT_EQ(Tips(), nullptr);
    EXPECT_EQ(Tab(0).m_tip, "");
    EXPECT_FALSE(PaintPending(*tabs));
    // The next call makes the window; the refused text was not kept.
    ASSERT_EQ(tabs->SetTabTip(1, "b"), TSE_OK);
    ASSERT_NE(Tips(), nullptr);
    EXPECT_EQ(TipText(2), "b");
    EXPECT_EQ(::SendMessageA(Tips(), TTM_GETTOOLCOUNT, 0, 0), 1);
    ASSERT_EQ(tabs->MoveTab(1, 0, FALSE), 0);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"b", ""}));
}

TEST_F(TabTips, SettingATipRepaintsWithoutErasing) {
    Make(TSS_TIPS, 400);
    Add({"A"});
    ::UpdateWindow(*tabs);
    ASSERT_FALSE(PaintPending(*tabs));
    ASSERT_EQ(tabs->SetTabTip(0, "a"), TSE_OK);
    EXPECT_TRUE(PaintPending(*tabs));
    EXPECT_FALSE(PaintErases(*tabs));
}

TEST_F(TabTips, ToolAreasAreLabelRectanglesAndFollowScrolling) {
    Make(TSS_TIPS, 200);
    AddNumbered(10);
    TipAll();
    RECT rc{};
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(ToolRect(i + 1, &rc)) << i;
        EXPECT_EQ(rc, Tab(i).m_rcLabel) << i;
    }
    tabs->UpdateLayout(LAYOUT_END, -1);
    ASSERT_GT(tabs->GetScrollPos(), 2);
    ASSERT_TRUE(ToolRect(1, &rc));
    EXPECT_TRUE(::IsRectEmpty(&rc));  // scrolled away
    const int edge = tabs->GetScrollPos() - 1;
    ASSERT_TRUE(ToolRect(edge + 1, &rc));
    EXPECT_TRUE(::IsRectEmpty(&rc));  // sliver
    ASSERT_TRUE(ToolRect(10, &rc));
    EXPECT_EQ(rc, Tab(9).m_rcLabel);
}

TEST_F(TabTips, ButtonAreasEmptyWhileButtonsAreHidden) {
    Make(TSS_TIPS | TSS_HIDEARROWS | TSS_FOURARROWS, 300);
    Add({"A"});
    for (int id = -4; id <= -1; ++id) ASSERT_EQ(tabs->SetTabTip(id, "button"), TSE_OK);
    RECT rc{};
    for (int id = -4; id <= -1; ++id) {
        ASSERT_TRUE(ToolRect(id, &rc));
        EXPECT_TRUE(::IsRectEmpty(&rc)) << id;
    }
    AddNumbered(12);  // overflow: the four buttons show
    ASSERT_TRUE(ToolRect(-1, &rc));
    EXPECT_EQ(rc, tabs->GetButtonRect(TSHT_HOME));
    ASSERT_TRUE(ToolRect(-4, &rc));
    EXPECT_EQ(rc, tabs->GetButtonRect(TSHT_END));
}

TEST_F(TabTips, TextsFollowTheirTabsOnInsertion) {
    Make(TSS_TIPS, 600);
    Add({"A", "B", "C"});
    TipAll();
    ASSERT_EQ(tabs->InsertTab(1, "New", 0), 1);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"tip A", "", "tip B", "tip C"}));
    ASSERT_EQ(tabs->InsertTab(0, "First", 0), 0);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"", "tip A", "", "tip B", "tip C"}));
    ASSERT_EQ(tabs->InsertTab(5, "Last", 0), 5);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"", "tip A", "", "tip B", "tip C", ""}));
    // Areas follow too.
    RECT rc{};
    ASSERT_TRUE(ToolRect(5, &rc));
    EXPECT_EQ(rc, Tab(4).m_rcLabel);
}

TEST_F(TabTips, TextsFollowTheirTabsOnMovesAndCopies) {
    Make(TSS_TIPS, 600);
    Add({"A", "B", "C", "D"});
    TipAll();
    ASSERT_EQ(tabs->MoveTab(0, 4, FALSE), 3);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"tip B", "tip C", "tip D", "tip A"}));
    ASSERT_EQ(tabs->MoveTab(3, 1, FALSE), 1);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"tip B", "tip A", "tip C", "tip D"}));
    ASSERT_EQ(tabs->MoveTab(2, 4, FALSE), 3);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"tip B", "tip A", "tip D", "tip C"}));
    // A copy starts without a tip.
    ASSERT_EQ(tabs->DuplicateTab(0, 1, FALSE), 1);
    EXPECT_EQ(TabTipTexts(), (std::vector<std::string>{"tip B", "", "tip A", "tip D", "tip C"}));
}

TEST_F(TabTips, LongTextsSurviveMoves) {
    Make(TSS_TIPS, 600);
    Add({"A", "B"});
    const std::string path = "C:\\Program Files\\totalcmd\\plugins\\wdx\\" + std::string(200, 'p') + "\\x.wdx";
    ASSERT_EQ(tabs->SetTabTip(0, path), TSE_OK);
    ASSERT_EQ(tabs->MoveTab(0, 2, FALSE), 1);
    ASSERT_EQ(tabs->InsertTab(0, "C", 0), 0);
    EXPECT_EQ(LongTipText(3), path);
    EXPECT_EQ(LongTipText(1), "");
}

TEST_F(TabTips, TooltipWindowGoesWithTheControl) {
    Make(TSS_TIPS, 400);
    Add({"A"});
    ASSERT_EQ(tabs->SetTabTip(0, "a"), TSE_OK);
    HWND tips = Tips();
    ASSERT_TRUE(::IsWindow(tips));
    tabs.reset();
    EXPECT_FALSE(::IsWindow(tips));

    // Also when only the control's window is destroyed.
    Make(TSS_TIPS, 400);
    Add({"A"});
    ASSERT_EQ(tabs->SetTabTip(0, "a"), TSE_OK);
    tips = Tips();
    tabs->DestroyWindow();
    EXPECT_FALSE(::IsWindow(tips));
    EXPECT_EQ(Tips(), nullptr);
}

// An insert that leaves the tabs before it in place, and a tip set where
// LAYOUT_FIT would move nothing, are placed without laying out the rest:
// the strip and its tool areas are then what a whole layout makes of them.
TEST_F(TabTips, InsertsAndTipsPlaceAsAWholeLayoutWould) {
    const struct {
        const char* name;
        DWORD style;
        int width, count, current;
        bool editorKeeps;  // LAYOUT_EDITOR with narrower labels left room at the right
        int at;            // from the scroll position; -1: after the last tab
        std::string label;
    } rows[] = {
        {"appended at home", 0, 200, 10, -1, false, -1, "Appended"},
        {"appended, the last tab current", 0, 200, 10, 9, false, -1, "Appended"},
        {"after the first shown tab", 0, 200, 12, 11, false, 2, "Inserted"},
        {"at the first shown tab", 0, 200, 12, 11, false, 0, "Inserted"},
        {"before the current tab", 0, 300, 8, 6, false, 2, "Inserted"},
        {"equal widths, a narrower label", TSS_EQUALWIDTH, 200, 10, -1, false, -1, "i"},
        {"four buttons shown after hiding", TSS_HIDEARROWS | TSS_FOURARROWS, 250, 12, 5, false, 1, "Inserted"},
        {"room left by the editor's layout", 0, 200, 10, -1, true, -1, "Appended"},
    };
    auto placement = [&] {
        std::ostringstream out;
        out << tabs->GetScrollPos() << " " << tabs->GetButtonState(TSHT_BACK) << "\n";
        for (int i = 0; i < tabs->GetTabCount(); ++i) {
            out << Tab(i).m_rcShape << Tab(i).m_rcLabel << int(Tab(i).m_kind);
            for (const POINT& p : Tab(i).m_regionPoints) out << " " << p.x << "," << p.y;
            out << "\n";
        }
        RECT rc{};
        for (int id = -4; id <= tabs->GetTabCount(); ++id)
            if (id != 0 && ToolRect(id, &rc)) out << "tool " << id << " " << rc << "\n";
        return out.str();
    };
    auto expectAsWhole = [&](const char* after) {
        const std::string placed = placement();
        tabs->UpdateLayout(LAYOUT_FIT, tabs->GetSelectedTab());
        EXPECT_EQ(placed, placement()) << after;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Make(TSS_TIPS | row.style, row.width);
        AddNumbered(row.count);
        TipAll();
        ASSERT_EQ(tabs->SetTabTip(TSHT_BACK, "Previous"), TSE_OK);
        if (row.current >= 0) tabs->SelectTab(row.current);
        if (row.editorKeeps) {
            tabs->UpdateLayout(LAYOUT_END, -1);
            LOGFONTA small{};
            small.lfHeight = 6;
            std::strcpy(small.lfFaceName, "Arial");
            tabs->SetLabelFont(&small, FALSE);
            tabs->UpdateLayout(LAYOUT_EDITOR, 9);
        }
        ASSERT_EQ(tabs->SetTabTip(tabs->GetTabCount() - 1, "last"), TSE_OK);
        expectAsWhole("a tip");
        const int at = row.at < 0 ? tabs->GetTabCount() : tabs->GetScrollPos() + row.at;
        ASSERT_EQ(tabs->InsertTab(at, row.label, 0), at);
        ASSERT_EQ(tabs->SetTabTip(at, "new"), TSE_OK);
        ASSERT_EQ(tabs->SetTabTip(TSHT_END, "Last"), TSE_OK);
        expectAsWhole("an insert");
    }
}

}  // namespace
