// The plugin tabs of the running program: painted, clicked, dragged, hovered,
// and following their pane when the splitter moves.
#include "e2e/E2EFixture.h"

#include <cstring>

namespace e2e {
namespace {

constexpr int kStripHeight = 20;
constexpr int kButtonArea = 37;  // two scroll buttons in a 20-pixel strip

// Label rectangles of the program's tabs at scroll position 0, measured with
// the strip's label font in this prefix, as the program measures them.
std::vector<RECT> LabelRects(const std::vector<std::string>& labels) {
    LOGFONTA lf{};
    lf.lfHeight = 12;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
    lf.lfClipPrecision = CLIP_CHARACTER_PRECIS;
    std::strcpy(lf.lfFaceName, "Verdana");
    HFONT font = ::CreateFontIndirectA(&lf);
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    std::vector<RECT> rects;
    int x = kButtonArea;
    const int h = kStripHeight;
    for (const std::string& label : labels) {
        RECT rc{};
        ::DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &rc, DT_CALCRECT);
        const int w = rc.right - rc.left;
        rects.push_back({x + h / 2, 1, x + h / 2 + w + 4, h - 1});
        x += h + w + 4 - h / 2;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    ::DeleteObject(font);
    return rects;
}

int CentreX(const RECT& r) { return (r.left + r.right) / 2; }

class PluginTabs : public E2ETest {
protected:
    // The test plugin first, then fileinfo; the first file inspected.
    void SetUp() override {
        E2ETest::SetUp();
        ASSERT_TRUE(InstallHost({testplugin::Path(), Built("fileinfo")}));
        ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", ListedFiles())}));
        strip = app.TabStrip();
        ASSERT_NE(strip, nullptr);
        labels = LabelRects({"testplugin", "fileinfo"});
    }
    virtual std::vector<std::string> ListedFiles() const { return {fileA}; }
    // Whether the strip shows tab i as the current one: the current tab is
    // filled with the window colour, and the top line has a gap over it.
    bool ShowsCurrent(int i) const {
        const int x = CentreX(labels[static_cast<size_t>(i)]);
        return app.ScreenPixel(strip, x, 2) == ::GetSysColor(COLOR_WINDOW) &&
               app.ScreenPixel(strip, x, 1) == ::GetSysColor(COLOR_WINDOW);
    }
    bool ShowsOther(int i) const {
        const int x = CentreX(labels[static_cast<size_t>(i)]);
        return app.ScreenPixel(strip, x, 2) == ::GetSysColor(COLOR_BTNFACE) &&
               app.ScreenPixel(strip, x, 1) == ::GetSysColor(COLOR_BTNTEXT);
    }
    void PostMouse(UINT msg, int x, int y, WPARAM flags) {
        POINT screen{x, y};
        ::ClientToScreen(strip, &screen);
        ::SetCursorPos(screen.x, screen.y);  // what the system reports meanwhile agrees
        ::PostMessageA(strip, msg, flags, MAKELPARAM(x, y));
    }

    HWND strip = nullptr;
    std::vector<RECT> labels;
};

TEST_F(PluginTabs, ShowsTheCurrentTabAndLeftRightMoveIt) {
    ASSERT_TRUE(WaitUntil([&] { return ShowsCurrent(0) && ShowsOther(1); }));
    // The scroll buttons' frame: white inside, outline at the left.
    EXPECT_EQ(app.ScreenPixel(strip, 0, 10), ::GetSysColor(COLOR_BTNTEXT));
    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    EXPECT_TRUE(WaitUntil([&] { return ShowsCurrent(1) && ShowsOther(0); }));
    ASSERT_TRUE(app.PressKey(VK_LEFT));
    EXPECT_TRUE(WaitUntil([&] { return ShowsCurrent(0) && ShowsOther(1); }));
    ExpectCleanExit();
}

TEST_F(PluginTabs, ClickingATabInspectsWithItsPluginAndTheCurrentOneRunsNothing) {
    const int runs = TestPluginRuns();
    ASSERT_TRUE(app.ClickClient(strip, CentreX(labels[1]), 10));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(app.Rows()[0][3], "1234");
    EXPECT_TRUE(WaitUntil([&] { return ShowsCurrent(1); }));

    ASSERT_TRUE(app.ClickClient(strip, CentreX(labels[1]), 10));  // the current tab
    ASSERT_TRUE(app.ClickClient(strip, CentreX(labels[0]), 10));
    EXPECT_EQ(app.FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    EXPECT_EQ(TestPluginRuns(), runs + 1);
    ASSERT_TRUE(app.ClickClient(strip, CentreX(labels[0]), 10));
    EXPECT_EQ(TestPluginRuns(), runs + 1);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    ExpectCleanExit();
}

// A visible tooltip window of the program, or null.
HWND ShownTip(DWORD pid) {
    HWND tip = nullptr;
    while ((tip = ::FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(tip, &owner);
        if (owner == pid && ::IsWindowVisible(tip)) return tip;
    }
    return nullptr;
}

TEST_F(PluginTabs, HoveringATabShowsItsPluginsFullPath) {
    EXPECT_EQ(app.TabTip(strip, 1), testplugin::Path());
    EXPECT_EQ(app.TabTip(strip, 2), Built("fileinfo"));
    // The program relays the pointer's moves to the tooltip, which shows.
    PostMouse(WM_MOUSEMOVE, CentreX(labels[1]), 10, 0);
    HWND tip = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (tip = ShownTip(app.ProcessId())) != nullptr; }));
    EXPECT_EQ(RemoteProbelet::Text(tip), Built("fileinfo"));
    ExpectCleanExit();
}

TEST_F(PluginTabs, DraggingATabReordersThePlugins) {
    const int y = 10;
    PostMouse(WM_LBUTTONDOWN, CentreX(labels[0]), y, MK_LBUTTON);
    // Once the press has become a drag, the drop marker shows over the tab.
    const int marker = labels[0].left - kStripHeight / 4 - 3;
    ASSERT_TRUE(WaitUntil([&] { return app.ScreenPixel(strip, marker + 3, 2) == ::GetSysColor(COLOR_BTNTEXT); }));
    const int past = labels[1].right + 10;
    for (int i = 0; i < 2; ++i) PostMouse(WM_MOUSEMOVE, past, y, MK_LBUTTON);
    PostMouse(WM_LBUTTONUP, past, y, 0);
    ASSERT_TRUE(app.Sync());
    // fileinfo is first now, the moved test plugin current and second.
    EXPECT_TRUE(WaitUntil([&] { return ShowsCurrent(1); }));
    const int runs = TestPluginRuns();
    ASSERT_TRUE(app.PressKey(VK_LEFT));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(TestPluginRuns(), runs);
    EXPECT_EQ(app.TabTip(strip, 1), Built("fileinfo"));
    ExpectCleanExit();
}

TEST_F(PluginTabs, TheStripFollowsItsPaneWhenTheSplitterMoves) {
    HWND view = ::GetParent(strip);
    HWND splitter = ::GetParent(view);
    RECT files{};
    ::GetWindowRect(app.FileList(), &files);
    const int bar = files.right - files.left + 2;
    RECT before{};
    ::GetWindowRect(strip, &before);
    ::PostMessageA(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(bar, 50));
    ::PostMessageA(splitter, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(bar - 120, 50));
    ::PostMessageA(splitter, WM_LBUTTONUP, 0, MAKELPARAM(bar - 120, 50));
    ASSERT_TRUE(app.Sync());
    RECT after{}, client{};
    ASSERT_TRUE(WaitUntil([&] {
        ::GetWindowRect(strip, &after);
        return after.right - after.left != before.right - before.left;
    }));
    ::GetClientRect(view, &client);
    EXPECT_EQ(after.right - after.left, client.right);
    EXPECT_EQ(after.right - after.left, before.right - before.left + 120);
    POINT top{after.left, after.top};
    ::ScreenToClient(view, &top);
    EXPECT_EQ(top.y, client.bottom - kStripHeight);
    // The newly uncovered right end is painted: the top line reaches it.
    EXPECT_TRUE(WaitUntil([&] { return app.ScreenPixel(strip, client.right - 2, 1) == ::GetSysColor(COLOR_BTNTEXT); }));
    ExpectCleanExit();
}

// The test plugin runs a message loop inside ContentGetValue (a box of its
// own) after the user picked fileB with it; meanwhile the user asks for
// another tab, another file, or both.
struct AskedMeanwhile {
    const char* name;
    std::vector<UINT> fileListKeys;  // pressed in the file list
    bool clickFileInfoTab;
    int tab;    // what the strip then shows and the rows come from
    int file;   // 0: fileA, 1: fileB
};

class PluginBox : public PluginTabs {
protected:
    std::vector<std::string> ListedFiles() const override { return {fileA, fileB}; }
    // fileB picked: the plugin's box, up inside its ContentGetValue.
    HWND ShowBox() {
        // The list has no focused item yet: the first Down only focuses fileA.
        if (!app.PressKey(VK_DOWN, app.FileList())) return nullptr;
        plugin.Data().boxesLeft = 1;
        if (!app.PressKey(VK_DOWN, app.FileList())) return nullptr;
        HWND box = app.WaitForMessageBox();
        return box && RemoteProbelet::BoxText(box) == testplugin::kBoxText ? box : nullptr;
    }
};

class PluginMessageLoop : public PluginBox, public ::testing::WithParamInterface<AskedMeanwhile> {};

TEST_P(PluginMessageLoop, RequestsWaitForThePluginsCallAndTheLatestIsCarriedOut) {
    const AskedMeanwhile& asked = GetParam();
    HWND box = ShowBox();
    ASSERT_TRUE(box);
    for (UINT key : asked.fileListKeys) ASSERT_TRUE(app.PressKey(key, app.FileList()));
    if (asked.clickFileInfoTab) {
        ASSERT_TRUE(app.ClickClient(strip, CentreX(labels[1]), 10));
    }
    // The library whose box is up is still loaded: its code is on the stack.
    EXPECT_EQ(plugin.Data().loads - plugin.Data().unloads, 1);
    EXPECT_EQ(app.Dialogs(), std::vector<HWND>{box});

    ASSERT_TRUE(RemoteProbelet::Answer(box, IDOK));
    EXPECT_EQ(app.AnswerAll(IDOK), std::vector<std::string>{});
    const std::string file = asked.file ? fileB : fileA;
    EXPECT_EQ(app.SelectedFile(), asked.file);
    EXPECT_EQ(app.Title(), "Probelet - " + file);
    EXPECT_TRUE(WaitUntil([&] { return ShowsCurrent(asked.tab) && ShowsOther(1 - asked.tab); }));
    if (asked.tab == 1) {
        ASSERT_FALSE(app.Rows().empty());
        EXPECT_EQ(app.Rows()[0][0], "Size");
        EXPECT_EQ(app.Rows()[0][3], asked.file ? "6" : "1234");
    } else {
        EXPECT_EQ(app.FieldNames(), (std::vector<std::string>{"Name", "Count"}));
        const std::vector<testplugin::Call> fetches = plugin.Calls(testplugin::Entry::GetValue);
        ASSERT_FALSE(fetches.empty());
        EXPECT_EQ(std::string(fetches.back().file), file);
    }
    EXPECT_EQ(plugin.Data().boxesShown, 1);
    ExpectCleanExit();
}

INSTANTIATE_TEST_SUITE_P(
    Asks, PluginMessageLoop,
    ::testing::Values(AskedMeanwhile{"ClickOnTheOtherTab", {}, true, 1, 1},
                      AskedMeanwhile{"Right", {VK_RIGHT}, false, 1, 1},
                      AskedMeanwhile{"AnotherFile", {VK_UP}, false, 0, 0},
                      AskedMeanwhile{"AnotherFileThenTheOtherTab", {VK_UP}, true, 1, 0}),
    [](const ::testing::TestParamInfo<AskedMeanwhile>& info) { return std::string(info.param.name); });

// Closing the window while the plugin's box is up waits for its call, then
// closes without a fault reported.
TEST_F(PluginBox, ClosingWaitsForThePluginsCall) {
    HWND box = ShowBox();
    ASSERT_TRUE(box);
    ASSERT_TRUE(::PostMessageA(app.Main(), WM_CLOSE, 0, 0));
    // A key posted after the close is handled after it: the window is still there.
    EXPECT_TRUE(app.PressKey(VK_SHIFT, app.FileList()));
    EXPECT_TRUE(::IsWindowVisible(app.Main()));
    EXPECT_TRUE(::IsWindow(box));
    ASSERT_TRUE(RemoteProbelet::Answer(box, IDOK));
    DWORD code = 1;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(plugin.Data().boxesShown, 1);
}

}  // namespace
}  // namespace e2e
