// The inspection view's set-up: children, layout, the once-only initial
// update and the tabs made from the host's configuration.
#include "ViewFixture.h"

#include "hostconfig/PathText.h"
#include "res/resource.h"

#include <cstring>

namespace {

RECT ChildRect(HWND child, HWND parent) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void ExpectRect(const RECT& rc, int left, int top, int right, int bottom) {
    EXPECT_EQ(rc.left, left);
    EXPECT_EQ(rc.top, top);
    EXPECT_EQ(rc.right, right);
    EXPECT_EQ(rc.bottom, bottom);
}

std::string ColumnText(HWND list, int column) {
    char text[64] = "";
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_FMT;
    col.pszText = text;
    col.cchTextMax = sizeof text;
    if (!::SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col))) return "<none>";
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    return text;
}

int ColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

// Counts the WM_SETTEXT that one window of this thread receives while it lives.
class SetTextCounter {
public:
    explicit SetTextCounter(HWND window) {
        s_window = window;
        s_count = 0;
        m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, Proc, nullptr, ::GetCurrentThreadId());
        EXPECT_NE(m_hook, nullptr);
    }
    ~SetTextCounter() {
        if (m_hook) ::UnhookWindowsHookEx(m_hook);
        s_window = nullptr;
    }
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && msg->hwnd == s_window && msg->message == WM_SETTEXT) ++s_count;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline HWND s_window = nullptr;
    static inline int s_count = 0;
    HHOOK m_hook = nullptr;
};

}  // namespace

TEST_F(ViewFixture, CreatesBothChildrenWithTheirStyles) {
    CreateView();
    HWND fields = ::GetDlgItem(view.GetHwnd(), CWDXView::kFieldsId);
    HWND tabs = ::GetDlgItem(view.GetHwnd(), CWDXView::kTabsId);
    EXPECT_EQ(fields, view.m_wndFields.GetHwnd());
    EXPECT_EQ(tabs, view.m_wndTabs.GetHwnd());
    EXPECT_EQ(::GetWindowLongA(fields, GWL_STYLE) & 0xFFFF00FFu, 0x50000005u);
    EXPECT_EQ(::SendMessageA(fields, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), 0x21);
    // The strip adds clipping styles of its own; its style bits are the low byte.
    DWORD tabStyle = static_cast<DWORD>(::GetWindowLongA(tabs, GWL_STYLE));
    EXPECT_EQ(tabStyle & (WS_CHILD | WS_VISIBLE | 0xFF), 0x50000048u);
    // Children start with empty rectangles; only the layout places them.
    RECT rc = ChildRect(fields, view.GetHwnd());
    EXPECT_EQ(rc.right - rc.left, 0);
    EXPECT_FALSE(view.m_plugin.IsLoaded());
    EXPECT_FALSE(view.m_bInitialized);
}

TEST_F(ViewFixture, LayoutPutsTheStripUnderTheListWithAOnePixelGap) {
    Start();
    ExpectRect(ChildRect(view.m_wndFields, view.GetHwnd()), 0, 0, 400, 279);
    ExpectRect(ChildRect(view.m_wndTabs, view.GetHwnd()), 0, 280, 400, 300);

    // Any new size of the view lays the children out again at once.
    view.MoveWindow(0, 0, 250, 180);
    ExpectRect(ChildRect(view.m_wndFields, view.GetHwnd()), 0, 0, 250, 159);
    ExpectRect(ChildRect(view.m_wndTabs, view.GetHwnd()), 0, 160, 250, 180);
}

TEST_F(ViewFixture, InitialUpdateMakesColumnsTitleAndOneTabPerPluginButInspectsNothing) {
    InstallHost({"alpha", "beta"});
    Start();
    HWND fields = view.m_wndFields.GetHwnd();
    ASSERT_EQ(ColumnCount(fields), 4);
    EXPECT_EQ(ColumnText(fields, 0), "Field");
    EXPECT_EQ(ColumnText(fields, 1), "Type");
    EXPECT_EQ(ColumnText(fields, 2), "Time(ms)");
    EXPECT_EQ(ColumnText(fields, 3), "Value");

    std::string ini = dir.Path() + "\\wincmd.ini";
    EXPECT_STREQ(view.m_szIniPath, ini.c_str());
    EXPECT_EQ(parent.GetText(), "Probelet - " + ini);

    ASSERT_EQ(view.m_wndTabs.GetTabCount(), 2);
    EXPECT_EQ(TabLabel(0), "alpha");
    EXPECT_EQ(TabLabel(1), "beta");
    // Tooltips and path blocks hold the path as the INI names it, expanded.
    EXPECT_EQ(TabTip(0), dir.Path() + "\\plugins\\alpha\\alpha.wdx");
    DWORD_PTR data = 0;
    ASSERT_EQ(view.m_wndTabs.GetTabData(1, data), TSE_OK);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data)), dir.Path() + "\\plugins\\beta\\beta.wdx");
    EXPECT_EQ(view.GetPathBlockCount(), 2u);

    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), 0);
    EXPECT_EQ(Loads(), 0);
    EXPECT_EQ(view.m_wndFields.GetItemCount(), 0);

    // The label font is made from exactly the view's LOGFONT.
    LOGFONTA font{};
    ASSERT_TRUE(::GetObjectA(view.m_wndTabs.GetLabelFont(), sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, "Verdana");
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfEscapement, 0);
    EXPECT_EQ(font.lfOrientation, 0);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_EQ(font.lfUnderline, 0);
    EXPECT_EQ(font.lfStrikeOut, 0);
    EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(font.lfOutPrecision, OUT_CHARACTER_PRECIS);
    EXPECT_EQ(font.lfClipPrecision, CLIP_CHARACTER_PRECIS);
    EXPECT_EQ(font.lfQuality, DEFAULT_QUALITY);
    EXPECT_EQ(font.lfPitchAndFamily, 0);
}

TEST_F(ViewFixture, TheTitleIsSetBeforeEveryKeyIsRead) {
    InstallHost({"alpha", "beta"});
    SetTextCounter titles(parent.GetHwnd());
    Start();
    // Keys 0 and 1, and once more before the empty key 2 that ends the list.
    EXPECT_EQ(titles.Count(), 3);
    EXPECT_EQ(parent.GetText(), "Probelet - " + dir.Path() + "\\wincmd.ini");
}

TEST_F(ViewFixture, WithoutAnIniTheTitleIsSetOnce) {
    SetTextCounter titles(parent.GetHwnd());
    Start();
    EXPECT_EQ(titles.Count(), 1);
}

TEST_F(ViewFixture, ASecondInitialUpdateOnlyLaysOutAgain) {
    InstallHost({"alpha"});
    Start();
    parent.SetText("changed by the frame");
    view.MoveWindow(0, 0, 300, 200);
    view.OnInitialUpdate();
    EXPECT_TRUE(view.m_bInitialized);
    EXPECT_EQ(ColumnCount(view.m_wndFields), 4);
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 1);
    EXPECT_EQ(view.GetPathBlockCount(), 1u);
    EXPECT_EQ(parent.GetText(), "changed by the frame");
    ExpectRect(ChildRect(view.m_wndTabs, view.GetHwnd()), 0, 180, 300, 200);
}

TEST_F(ViewFixture, WithoutAnIniTheTitleIsBareAndThereAreNoTabs) {
    Start();
    EXPECT_STREQ(view.m_szIniPath, "");
    EXPECT_EQ(parent.GetText(), "Probelet - ");
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 0);
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), -1);
}

TEST_F(ViewFixture, TabsEndAtTheFirstGapInTheKeys) {
    std::string a = InstallPlugin("alpha");
    std::string b = InstallPlugin("beta");
    WriteHost({"0=" + a, "1=" + b, "3=" + a});
    Start();
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 2);
    EXPECT_EQ(view.GetPathBlockCount(), 2u);
}

TEST_F(ViewFixture, AnIniWithoutKeyZeroGivesNoTabs) {
    WriteHost({"1=" + InstallPlugin("alpha")});
    Start();
    EXPECT_NE(view.m_szIniPath[0], '\0');
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 0);
}

TEST_F(ViewFixture, AnIniWithoutTheContentPluginsSectionGivesNoTabs) {
    std::string alpha = InstallPlugin("alpha");
    std::string ini = dir.Write("wincmd.ini", "[Configuration]\r\nFirstTime=0\r\n[Other]\r\n0=" + alpha + "\r\n");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\wincmd.ini");
    Start();
    EXPECT_STREQ(view.m_szIniPath, ini.c_str());
    EXPECT_EQ(parent.GetText(), "Probelet - " + ini);
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 0);
    EXPECT_EQ(view.GetPathBlockCount(), 0u);
}

TEST_F(ViewFixture, ALabelOfThirtyCharactersEndsTheTabs) {
    std::string name29(29, 'n');
    std::string name30(30, 'm');
    WriteHost({"0=C:\\p\\" + name29 + ".wdx", "1=C:\\p\\" + name30 + ".wdx", "2=C:\\p\\b.wdx", "3=C:\\p\\c.wdx"});
    SetTextCounter titles(parent.GetHwnd());
    Start();
    ASSERT_EQ(view.m_wndTabs.GetTabCount(), 1);
    EXPECT_EQ(TabLabel(0), name29);
    EXPECT_EQ(TabTip(0), "C:\\p\\" + name29 + ".wdx");
    // The refused plugins keep no block.
    EXPECT_EQ(view.GetPathBlockCount(), 1u);
    // A refusal does not end the list: keys 2 and 3 are read (and refused)
    // too, up to the empty key 4, each after the title was set.
    EXPECT_EQ(titles.Count(), 5);
}

TEST_F(ViewFixture, LabelsComeFromTheValueAsWrittenAndBlocksFromItsExpansion) {
    env.Set("COMMANDER_PATH", "C:\\tc");
    WriteHost({"0=C:\\plugins\\size\\size.dll", "1=%COMMANDER_PATH%\\a\\a.dll", "2=C:\\dir.x\\plug",
               "3=%PROBELET_UNDEFINED%\\u.wdx"});
    Start();
    ASSERT_EQ(view.m_wndTabs.GetTabCount(), 4);
    EXPECT_EQ(TabLabel(0), "size");
    EXPECT_EQ(TabTip(0), "C:\\plugins\\size\\size.dll");
    EXPECT_EQ(TabLabel(1), "a");
    EXPECT_EQ(TabTip(1), "C:\\tc\\a\\a.dll");
    EXPECT_EQ(TabLabel(2), "dir");
    EXPECT_EQ(TabLabel(3), "u");
    EXPECT_EQ(TabTip(3), "%PROBELET_UNDEFINED%\\u.wdx");
}

TEST_F(ViewFixture, TheTitleHoldsAnIniPathOfTheLongestLength) {
    // Nested folders up to about 240 characters, then a file name that makes 259.
    std::string folder = dir.Path();
    while (folder.size() < 230) {
        folder += "\\" + std::string(20, 'f');
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    std::string ini = folder + "\\" + std::string(259 - folder.size() - 5, 'w') + ".ini";
    ASSERT_EQ(ini.size(), 259u);
    std::string alpha = InstallPlugin("alpha");
    HANDLE h = ::CreateFileA(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::string text = "[ContentPlugins]\r\n0=" + alpha + "\r\n";
    DWORD written = 0;
    ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(h);
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ini.c_str());

    Start();
    EXPECT_EQ(std::string(view.m_szIniPath), ini);
    EXPECT_EQ(parent.GetText(), "Probelet - " + ini);
    EXPECT_EQ(view.m_wndTabs.GetTabCount(), 1);
}

TEST_F(ViewFixture, TheTabDragCursorIsTheOneTheProgramHandsIn) {
    CreateView();
    HCURSOR handed = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_TABDRAG));
    ASSERT_NE(handed, nullptr);
    view.SetDragCursor(handed);
    view.OnInitialUpdate();
    HCURSOR move = view.m_wndTabs.GetReorderCursor();
    ASSERT_NE(move, nullptr);
    // The tab picture's hot spot is its top-left corner.
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(move, &info));
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 2u);
    EXPECT_EQ(info.yHotspot, 1u);
    EXPECT_EQ(view.m_wndTabs.GetDuplicateCursor(), nullptr);
}

TEST_F(ViewFixture, ActivationGivesTheFieldListTheFocus) {
    Start();
    ::SetFocus(parent.GetHwnd());
    view.OnActivateView(false, nullptr, &view);
    EXPECT_EQ(::GetFocus(), view.m_wndFields.GetHwnd());
}
