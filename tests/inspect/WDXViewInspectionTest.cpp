// What the inspection view runs: one inspection per file change, tab
// selection or step, with the plugin of the tab concerned; and the keys it
// hands to the main window.
#include "ViewFixture.h"

#include "framework/AppGlobals.h"

#include <windows.h>

namespace {

bool SameFile(const std::string& a, const std::string& b) { return ::lstrcmpiA(a.c_str(), b.c_str()) == 0; }

}  // namespace

#define EXPECT_LOADED(name) EXPECT_PRED2(SameFile, LoadedFile(), LibraryOf(name))

TEST_F(ViewFixture, SetCurrentFileInspectsItWithTheCurrentTab) {
    InstallHost({"alpha", "beta"});
    Start();
    std::string file = dir.Write("data.txt", "x");
    EXPECT_TRUE(view.SetCurrentFile(file.c_str()));
    EXPECT_STREQ(view.m_szFile, file.c_str());
    EXPECT_EQ(Loads(), 1);
    EXPECT_LOADED("alpha");
    EXPECT_EQ(FetchedFiles(), std::vector<std::string>{file});
    ASSERT_EQ(view.m_wndFields.GetItemCount(), 2);
    EXPECT_EQ(view.m_wndFields.GetItemText(0, 3), "hello");
    EXPECT_EQ(view.m_wndFields.GetItemState(0, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(view.m_wndFields.GetItemState(1, LVIS_SELECTED), 0u);
}

TEST_F(ViewFixture, WithoutTabsSetCurrentFileOnlyStoresThePath) {
    Start();
    EXPECT_TRUE(view.SetCurrentFile("C:\\some\\file.txt"));
    EXPECT_STREQ(view.m_szFile, "C:\\some\\file.txt");
    view.NextPlugin();
    view.PreviousPlugin();
    EXPECT_EQ(Loads(), 0);
    EXPECT_FALSE(view.m_plugin.IsLoaded());
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), -1);
}

TEST_F(ViewFixture, APathThatDoesNotFitIsRefusedWhole) {
    InstallHost({"alpha"});
    Start();
    view.SetCurrentFile("C:\\first.txt");
    std::string longest = "C:\\" + std::string(256, 'l');
    EXPECT_FALSE(view.SetCurrentFile((longest + "x").c_str()));
    EXPECT_STREQ(view.m_szFile, "C:\\first.txt");
    EXPECT_EQ(Loads(), 1);
    EXPECT_TRUE(view.SetCurrentFile(longest.c_str()));
    EXPECT_EQ(FetchedFiles().back(), longest);
}

TEST_F(ViewFixture, NextAndPreviousInspectOnceThenMoveTheSelection) {
    InstallHost({"alpha", "beta", "gamma"});
    Start();
    std::string file = dir.Write("data.txt", "x");
    view.SetCurrentFile(file.c_str());

    view.NextPlugin();
    EXPECT_EQ(Loads(), 2);
    EXPECT_LOADED("beta");
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), 1);
    EXPECT_EQ(view.m_wndFields.GetItemText(0, 0), "Name");
    view.NextPlugin();
    EXPECT_EQ(Loads(), 3);
    EXPECT_LOADED("gamma");

    // At the last tab: nothing runs, nothing moves, no wrap-around.
    view.NextPlugin();
    EXPECT_EQ(Loads(), 3);
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), 2);
    EXPECT_LOADED("gamma");

    view.PreviousPlugin();
    view.PreviousPlugin();
    EXPECT_EQ(Loads(), 5);
    EXPECT_LOADED("alpha");
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), 0);
    view.PreviousPlugin();
    EXPECT_EQ(Loads(), 5);
    EXPECT_EQ(view.m_wndTabs.GetSelectedTab(), 0);
    // Every run fetched for the same file.
    for (const std::string& fetched : FetchedFiles()) EXPECT_EQ(fetched, file);
}

TEST_F(ViewFixture, TabSelectFromTheStripRunsOneInspection) {
    InstallHost({"alpha", "beta"});
    Start();
    view.m_wndTabs.SelectTab(1);
    EXPECT_EQ(Loads(), 0);
    // Before any file was chosen the plugin is asked about an empty path.
    SendTabSelect(1);
    EXPECT_EQ(Loads(), 1);
    EXPECT_LOADED("beta");
    EXPECT_EQ(FetchedFiles(), std::vector<std::string>{""});

    // The same code from another child is not the strip's.
    SendTabSelect(0, CWDXView::kFieldsId);
    EXPECT_EQ(Loads(), 1);
}

TEST_F(ViewFixture, APluginThatCannotLoadIsReportedAndTheViewGoesOn) {
    WriteHost({"0=" + dir.Path() + "\\missing\\missing.wdx", "1=" + InstallPlugin("beta")});
    Start();
    view.SetCurrentFile("C:\\file.txt");
    expectedBoxes = {"Error plugin loading " + dir.Path() + "\\missing\\missing.wdx (126)"};
    EXPECT_EQ(boxes.Texts(), expectedBoxes);
    EXPECT_FALSE(view.m_plugin.IsLoaded());
    view.NextPlugin();
    EXPECT_LOADED("beta");
}

TEST_F(ViewFixture, PluginsNamedTheHostsWayLoadWithoutTheHostsEnvironment) {
    // Probelet started on its own has neither variable; the INI uses both.
    std::string alpha = InstallPlugin("alpha");
    InstallPlugin("beta");
    WriteHost({"0=" + alpha, "1=%COMMANDER_INI%\\..\\plugins\\beta\\beta.wdx"});
    Start();
    EXPECT_EQ(testsupport::Variable("COMMANDER_PATH"), dir.Path());
    EXPECT_EQ(testsupport::Variable("COMMANDER_INI"), dir.Path() + "\\wincmd.ini");
    // Label and tooltip stay as the INI names the plugin, also where a
    // 64-bit process loads the .wdx64 beside it.
    EXPECT_EQ(TabLabel(0), "alpha");
    EXPECT_EQ(TabTip(0), dir.Path() + "\\plugins\\alpha\\alpha.wdx");
    view.SetCurrentFile("C:\\file.txt");
    EXPECT_LOADED("alpha");
    view.NextPlugin();
    EXPECT_LOADED("beta");
}

TEST_F(ViewFixture, SteeringKeysInTheFieldListGoToTheMainWindow) {
    Start();
    HWND fields = view.m_wndFields.GetHwnd();
    for (WPARAM key : {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_TAB, VK_HOME})
        ::SendMessageA(fields, WM_KEYDOWN, key, 0);
    EXPECT_EQ(parent.keys, (std::vector<WPARAM>{VK_LEFT, VK_RIGHT, VK_TAB}));
}

TEST_F(ViewFixture, SteeringKeysSentToTheViewGoToTheMainWindow) {
    Start();
    for (WPARAM key : {VK_LEFT, VK_UP, VK_TAB, VK_RIGHT, int('A')}) ::SendMessageA(view.GetHwnd(), WM_KEYDOWN, key, 0);
    EXPECT_EQ(parent.keys, (std::vector<WPARAM>{VK_LEFT, VK_TAB, VK_RIGHT}));
}

TEST_F(ViewFixture, DestroyingTheViewFreesThePathBlocksButKeepsThePlugin) {
    InstallHost({"alpha", "beta"});
    Start();
    view.SetCurrentFile("C:\\file.txt");
    HMODULE loaded = ::GetModuleHandleA(view.m_plugin.Path());
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(view.GetPathBlockCount(), 2u);

    view.DestroyWindow();
    EXPECT_FALSE(view.IsCreated());
    EXPECT_EQ(view.GetPathBlockCount(), 0u);
    EXPECT_TRUE(view.m_plugin.IsLoaded());
    EXPECT_EQ(::GetModuleHandleA(view.m_plugin.Path()), loaded);
    EXPECT_EQ(plugin.Data().unloads, 0);
    char name[MAX_PATH] = "";
    EXPECT_NE(::GetModuleFileNameA(loaded, name, MAX_PATH), 0u);
}
