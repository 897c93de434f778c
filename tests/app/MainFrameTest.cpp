// The shell in this process: the application's start-up with a real host
// configuration (registry key, INI, the test plugin and the sample plugin),
// then the frame's commands, keys, bars and messages.
#include "app/ProbeletApp.h"
#include "framework/AppGlobals.h"
#include "framework/FileOpenDialog.h"
#include "support/HostSetup.h"
#include "inspect/WDXView.h"
#include "res/resource.h"
#include "support/TestWindows.h"
#include "testplugin/TestPluginControl.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::MessageBoxWatcher;
using testsupport::PumpMessages;

class TestApp : public CProbeletApp {
public:
    const char* listFile = nullptr;
    std::function<std::unique_ptr<CMainFrame>()> makeFrame;

protected:
    const char* ListFileArgument() const override { return listFile; }
    std::unique_ptr<CMainFrame> CreateMainFrame() override {
        return makeFrame ? makeFrame() : CProbeletApp::CreateMainFrame();
    }
};

std::string Question(const std::string& path) { return "Cannot open file " + path + ". Delete it from list?"; }

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.AddText("Name", wdx::kString, "hello");
        plugin.AddInt32("Count", 42);
        host = std::make_unique<testsupport::HostSetup>(
            dir.Path(), std::vector<std::string>{testplugin::Path(),
                                                 testsupport::HostSetup::Plugin(testsupport::ExeDir(), "fileinfo")});
        ASSERT_TRUE(host->Ok());
        fileA = dir.Write("a.txt", "first file");
        fileB = dir.Write("b.txt", "second file");
    }
    void TearDown() override {
        if (Frame() && Frame()->IsCreated()) Frame()->DestroyWindow();
        PumpMessages();  // and the quit message the main window's end posts
    }

    bool Start(const std::string& listContent) {
        listPath = dir.Write("list.txt", listContent);
        app.listFile = listPath.c_str();
        return app.InitInstance();
    }
    bool StartWithoutList() { return app.InitInstance(); }

    CMainFrame* Frame() const { return static_cast<CMainFrame*>(app.GetMainFrame()); }
    CFileList& List() const { return *Frame()->GetFileList(); }
    CWDXView& View() const { return *Frame()->GetInspectionView(); }
    std::string Title() const { return Frame()->GetText(); }

    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        for (int i = 0; i < List().GetItemCount(); ++i) items.push_back(List().GetItemText(i, 0));
        return items;
    }
    std::vector<std::string> FieldNames() const {
        std::vector<std::string> names;
        for (int i = 0; i < View().m_wndFields.GetItemCount(); ++i) names.push_back(View().m_wndFields.GetItemText(i, 0));
        return names;
    }
    std::string StatusText(int pane) const {
        char text[1024] = "";
        ::SendMessageA(Frame()->GetStatusBar().GetHwnd(), SB_GETTEXTA, pane, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Each run asks the plugin for its field 0 first. (Counting loads would not
    // do: the last plugin stays loaded, also from an earlier test.)
    int InspectionRuns() const {
        int runs = 0;
        for (const testplugin::Call& c : plugin.Calls(testplugin::Entry::GetSupportedField))
            if (c.fieldIndex == 0) ++runs;
        return runs;
    }
    bool ButtonEnabled(UINT id) const { return Frame()->GetToolBar().Send(TB_ISBUTTONENABLED, id) != 0; }
    RECT ChildRect(HWND child) const {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, Frame()->GetHwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }

    testsupport::TempDir dir;
    testplugin::Session plugin;
    std::unique_ptr<testsupport::HostSetup> host;
    TestApp app;
    std::string fileA, fileB, listPath;
};

// --- start-up ---------------------------------------------------------------------

TEST_F(ShellTest, StartUpWithoutAListShowsTheWindowFromItsResourcesAndInspectsNothing) {
    ASSERT_TRUE(StartWithoutList());
    HWND hwnd = Frame()->GetHwnd();
    EXPECT_EQ(fw::GetMainWindow(), hwnd);
    char cls[64] = "";
    ::GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "ProbeletMainWindowClass");
    EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrA(hwnd, GCLP_HICON)),
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROBELET)));
    EXPECT_FALSE(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_TRUE(::IsWindowVisible(hwnd));
    EXPECT_EQ(::GetMenuItemCount(::GetMenu(hwnd)), 4);
    EXPECT_EQ(Title(), "Probelet - " + host->IniPath());

    // Splitter with the two panes, toolbar and status bar under their ids.
    HWND splitter = ::GetDlgItem(hwnd, IDW_PANE_FIRST);
    ASSERT_NE(splitter, nullptr);
    EXPECT_EQ(::GetDlgItem(splitter, IDW_PANE_FIRST), List().GetHwnd());
    EXPECT_EQ(::GetDlgItem(splitter, IDW_PANE_FIRST + 1), View().GetHwnd());
    EXPECT_EQ(::GetDlgItem(hwnd, IDW_TOOLBAR), Frame()->GetToolBar().GetHwnd());
    EXPECT_EQ(::GetDlgItem(hwnd, IDW_STATUS_BAR), Frame()->GetStatusBar().GetHwnd());
    EXPECT_EQ(Frame()->GetSplitter().GetColumnWidth(0), Frame()->GetClientRect().right / 4);
    // The frame hands the view the program's tab cursor: hot spot at its top-left corner.
    ICONINFO drag{};
    ASSERT_TRUE(::GetIconInfo(View().m_wndTabs.GetReorderCursor(), &drag));
    if (drag.hbmMask) ::DeleteObject(drag.hbmMask);
    if (drag.hbmColor) ::DeleteObject(drag.hbmColor);
    EXPECT_EQ(drag.xHotspot, 2u);
    EXPECT_EQ(drag.yHotspot, 1u);

    PumpMessages();
    EXPECT_EQ(StatusText(0), "Ready");
    EXPECT_EQ(StatusText(1), host->IniPath());
    int edges[5] = {};
    ASSERT_EQ(Frame()->GetStatusBar().Send(SB_GETPARTS, 5, reinterpret_cast<LPARAM>(edges)), 5);
    EXPECT_EQ(edges[1] - edges[0], 300);

    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(InspectionRuns(), 0);
}

TEST_F(ShellTest, TheIniPaneShowsItsIndicatorTextUntilStartUpPutsThePathThere) {
    auto owned = std::make_unique<CMainFrame>();
    CMainFrame* frame = owned.get();
    app.SetMainFrame(std::move(owned));
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | fw::kFrameAddToTitle));
    fw::StatusBar& bar = frame->GetStatusBar();
    ASSERT_EQ(bar.GetPaneCount(), 5);
    const UINT indicators[] = {ID_SEPARATOR, ID_INDICATOR_INI, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(bar.CommandToIndex(indicators[i]), i) << i;
    EXPECT_EQ(bar.GetPaneStyle(1), fw::kPaneNormal);
    EXPECT_EQ(bar.GetPaneWidth(1), 300);
    EXPECT_EQ(StatusText(1), "INI File");
    // The initial update has already named the INI in the title.
    EXPECT_EQ(Title(), "Probelet - " + host->IniPath());
    frame->ShowIniPath();
    EXPECT_EQ(StatusText(1), host->IniPath());
}

TEST_F(ShellTest, TheListFileOfTheCommandLineIsLoadedAndItsFirstFileInspectedTwice) {
    ASSERT_TRUE(Start(fileA + "\r\n" + fileB + "\r\n"));
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA, fileB}));
    EXPECT_EQ(List().GetSelectedIndex(), 0);
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    EXPECT_EQ(InspectionRuns(), 2);
    EXPECT_EQ(Frame()->GetActiveView(), &List());
}

TEST_F(ShellTest, AFrameThatCannotMakeAPaneIsNotMadeAndStartUpEndsWithAMessage) {
    struct RefusingView : CWDXView {
        bool Create(const fw::ViewArgs&) override { return false; }
    };
    struct OnePaneFrame : CMainFrame {
        std::unique_ptr<CWDXView> CreateInspectionView() const override { return std::make_unique<RefusingView>(); }
    };
    app.makeFrame = [] { return std::unique_ptr<CMainFrame>(new OnePaneFrame); };
    MessageBoxWatcher boxes(IDOK);
    EXPECT_FALSE(Start(fileA + "\r\n"));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Cannot create the main window"}));
    EXPECT_EQ(app.GetMainFrame(), nullptr);
    EXPECT_EQ(::FindWindowA("ProbeletMainWindowClass", nullptr), nullptr);
    EXPECT_EQ(InspectionRuns(), 0);
}

// --- file selection ------------------------------------------------------------------

TEST_F(ShellTest, AMissingFirstFileIsQuestionedForBothAnnouncementsAndNoKeepsIt) {
    const std::string missing = dir.Path() + "\\missing.txt";
    MessageBoxWatcher boxes(IDNO);
    ASSERT_TRUE(Start(missing + "\r\n" + fileA + "\r\n"));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Question(missing), Question(missing)}));
    EXPECT_EQ(Items(), (std::vector<std::string>{missing, fileA}));
    EXPECT_EQ(Title(), "Probelet - " + host->IniPath());
    EXPECT_EQ(InspectionRuns(), 0);
}

TEST_F(ShellTest, YesRemovesExactlyTheMissingItemAndTheSecondAnnouncementFindsNothingSelected) {
    const std::string missing = dir.Path() + "\\missing.txt";
    MessageBoxWatcher boxes(IDYES);
    ASSERT_TRUE(Start(missing + "\r\n" + fileA + "\r\n"));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Question(missing), Question("")}));
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(List().GetSelectedIndex(), -1);
}

TEST_F(ShellTest, AFileDeletedOnDiskLeavesTitleAndRowsOfThePreviousOne) {
    ASSERT_TRUE(Start(fileA + "\r\n" + fileB + "\r\n"));
    ASSERT_TRUE(::DeleteFileA(fileB.c_str()));
    const int runs = InspectionRuns();
    {
        MessageBoxWatcher boxes(IDNO);
        List().SelectItem(1);
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Question(fileB)}));
    }
    // No: the list stays as it is, and so do title, rows and active view.
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA, fileB}));
    EXPECT_EQ(List().GetSelectedIndex(), 1);
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    EXPECT_EQ(InspectionRuns(), runs);
    EXPECT_EQ(Frame()->GetActiveView(), &List());

    List().SelectItem(0);
    EXPECT_EQ(InspectionRuns(), runs + 1);
    {
        MessageBoxWatcher boxes(IDYES);
        List().SelectItem(1);
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{Question(fileB)}));
    }
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(List().GetSelectedIndex(), -1);
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(FieldNames(), (std::vector<std::string>{"Name", "Count"}));
}

TEST_F(ShellTest, TheTitleHoldsTheWholePathOfALongName) {
    // A folder path near the limit for folders, then a file name that fills MAX_PATH - 1.
    std::string folder = dir.Path() + "\\" + std::string(240 - dir.Path().size(), 'd');
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    std::string file = folder + "\\" + std::string(MAX_PATH - 2 - folder.size(), 'f');
    ASSERT_EQ(file.size(), static_cast<size_t>(MAX_PATH - 1));
    HANDLE h = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    ASSERT_TRUE(Start(file + "\r\n"));
    EXPECT_EQ(Title(), "Probelet - " + file);
    EXPECT_EQ(InspectionRuns(), 2);
    ::DeleteFileA(file.c_str());
}

// --- commands ----------------------------------------------------------------------------

TEST_F(ShellTest, ClearEmptiesTheListButKeepsRowsTitleAndStatus) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    PumpMessages();
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_CLEAR_LIST, 0);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    EXPECT_EQ(StatusText(1), host->IniPath());
    EXPECT_EQ(Frame()->GetActiveView(), &List());
}

TEST_F(ShellTest, ChangeIniIsEnabledAndDoesNothing) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    Frame()->OnIdleUpdateCmdUI();
    EXPECT_TRUE(ButtonEnabled(ID_CHANGE_INI));
    const int runs = InspectionRuns();
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_CHANGE_INI, 0);
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(StatusText(1), host->IniPath());
    EXPECT_EQ(InspectionRuns(), runs);
}

TEST_F(ShellTest, CommandsWithoutHandlersShowDisabledAndTheViewMenuChecksFollowTheBars) {
    ASSERT_TRUE(StartWithoutList());
    Frame()->OnIdleUpdateCmdUI();
    for (UINT id : {ID_ADD_FILES, ID_CLEAR_LIST, ID_CHANGE_INI, ID_APP_ABOUT}) EXPECT_TRUE(ButtonEnabled(id)) << id;
    for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_FILE_PRINT}) EXPECT_FALSE(ButtonEnabled(id)) << id;

    HMENU menu = ::GetMenu(Frame()->GetHwnd());
    HMENU edit = ::GetSubMenu(menu, 1), view = ::GetSubMenu(menu, 2);
    Frame()->Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(edit), 1);
    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE})
        EXPECT_TRUE(::GetMenuState(edit, id, MF_BYCOMMAND) & MF_GRAYED) << id;
    Frame()->Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
    EXPECT_TRUE(::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(::GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_GRAYED);

    // Hiding the toolbar gives its strip to the splitter and clears the check mark.
    HWND splitter = Frame()->GetSplitter().GetHwnd();
    EXPECT_GT(ChildRect(splitter).top, 0);
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_VIEW_TOOLBAR, 0);
    EXPECT_FALSE(::IsWindowVisible(Frame()->GetToolBar().GetHwnd()));
    EXPECT_EQ(ChildRect(splitter).top, 0);
    Frame()->Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
    EXPECT_FALSE(::GetMenuState(view, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);

    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_VIEW_STATUS_BAR, 0);
    EXPECT_FALSE(::IsWindowVisible(Frame()->GetStatusBar().GetHwnd()));
    EXPECT_EQ(ChildRect(splitter).bottom, Frame()->GetClientRect().bottom);
    Frame()->Send(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(view), 2);
    EXPECT_FALSE(::GetMenuState(view, ID_VIEW_STATUS_BAR, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(ShellTest, KeyIndicatorsFollowTheKeyboard) {
    ASSERT_TRUE(StartWithoutList());
    BYTE saved[256], keys[256];
    ASSERT_TRUE(::GetKeyboardState(saved));
    memcpy(keys, saved, sizeof keys);
    keys[VK_CAPITAL] |= 1;
    keys[VK_NUMLOCK] &= ~1;
    keys[VK_SCROLL] |= 1;
    ::SetKeyboardState(keys);
    Frame()->OnIdleUpdateCmdUI();
    EXPECT_EQ(StatusText(2), "CAP");
    EXPECT_EQ(StatusText(3), "");
    EXPECT_EQ(StatusText(4), "SCRL");
    keys[VK_CAPITAL] &= ~1;
    keys[VK_NUMLOCK] |= 1;
    ::SetKeyboardState(keys);
    Frame()->OnIdleUpdateCmdUI();
    EXPECT_EQ(StatusText(2), "");
    EXPECT_EQ(StatusText(3), "NUM");
    ::SetKeyboardState(saved);
}

TEST_F(ShellTest, AboutRunsTheModalAboutBox) {
    ASSERT_TRUE(StartWithoutList());
    MessageBoxWatcher boxes(IDOK);
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(::IsWindowEnabled(Frame()->GetHwnd()));
}

TEST_F(ShellTest, EscapeAlsoEndsTheAboutBox) {
    ASSERT_TRUE(StartWithoutList());
    // The box has no Cancel button: Escape sends IDCANCEL without one.
    MessageBoxWatcher boxes(IDCANCEL);
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_APP_ABOUT, 0);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(::IsWindowEnabled(Frame()->GetHwnd()));
}

// Add files with the dialog's answer scripted: what the frame asks of the dialog
// and what it does with each answer.
class ScriptedDialogFrame : public CMainFrame {
public:
    std::function<int(fw::FileOpenDialog&, DWORD&)> answer;
    int runs = 0;
    DWORD flags = 0, bufferSize = 0;
    bool filter = false, defaultExtension = false;
    std::string initialName;

protected:
    int RunFileDialog(fw::FileOpenDialog& dialog, DWORD& error) override {
        ++runs;
        const OPENFILENAMEA& ofn = dialog.Options();
        flags = ofn.Flags;
        bufferSize = ofn.nMaxFile;
        filter = ofn.lpstrFilter != nullptr;
        defaultExtension = ofn.lpstrDefExt != nullptr;
        initialName = dialog.GetInitialName();
        error = 0;
        return answer ? answer(dialog, error) : IDCANCEL;
    }
};

class AddFilesTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        app.makeFrame = [this] {
            auto frame = std::make_unique<ScriptedDialogFrame>();
            scripted = frame.get();
            return std::unique_ptr<CMainFrame>(std::move(frame));
        };
    }
    // The dialog's result for several chosen files: the folder, then each name.
    static std::string Chosen(const std::string& folder, const std::vector<std::string>& names) {
        std::string result = folder + '\0';
        for (const std::string& name : names) result += name + '\0';
        return result;
    }
    ScriptedDialogFrame* scripted = nullptr;
};

TEST_F(AddFilesTest, TheDialogIsAMultiSelectionOpenDialogWithoutFilterStartingAtTheSelectedItem) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
    ASSERT_EQ(scripted->runs, 1);
    EXPECT_EQ(scripted->flags, static_cast<DWORD>(OFN_EXPLORER | OFN_ALLOWMULTISELECT));
    EXPECT_EQ(scripted->bufferSize, 26000u);
    EXPECT_FALSE(scripted->filter);
    EXPECT_FALSE(scripted->defaultExtension);
    EXPECT_EQ(scripted->initialName, fileA);

    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_CLEAR_LIST, 0);
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
    ASSERT_EQ(scripted->runs, 2);
    EXPECT_EQ(scripted->initialName, "");
}

TEST_F(AddFilesTest, ChosenFilesAreAppendedInTheDialogsOrderAndOnlyAnEmptySelectionSelectsItemZero) {
    ASSERT_TRUE(StartWithoutList());
    scripted->answer = [this](fw::FileOpenDialog& dialog, DWORD&) {
        dialog.SetInitialName(Chosen(dir.Path(), {"b.txt", "a.txt"}));
        return IDOK;
    };
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
    EXPECT_EQ(Items(), (std::vector<std::string>{fileB, fileA}));
    EXPECT_EQ(List().GetSelectedIndex(), 0);
    EXPECT_EQ(Title(), "Probelet - " + fileB);
    EXPECT_EQ(InspectionRuns(), 1);

    // With a selection: appended after the others, no duplicate test, nothing inspected.
    scripted->answer = [this](fw::FileOpenDialog& dialog, DWORD&) {
        dialog.SetInitialName(fileB);
        return IDOK;
    };
    ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
    EXPECT_EQ(Items(), (std::vector<std::string>{fileB, fileA, fileB}));
    EXPECT_EQ(List().GetSelectedIndex(), 0);
    EXPECT_EQ(InspectionRuns(), 1);
    EXPECT_EQ(scripted->initialName, fileB);
}

TEST_F(AddFilesTest, TooManyFilesIsReportedAndOtherFailuresAndCancelAreSilent) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    DWORD failure = FNERR_BUFFERTOOSMALL;
    scripted->answer = [&failure](fw::FileOpenDialog&, DWORD& error) {
        error = failure;
        return IDCANCEL;
    };
    {
        MessageBoxWatcher boxes(IDOK);
        ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Too many files selected"}));
    }
    EXPECT_EQ(Items(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(List().GetSelectedIndex(), 0);
    for (DWORD other : {DWORD{0}, DWORD{FNERR_INVALIDFILENAME}, DWORD{CDERR_GENERALCODES}}) {
        failure = other;
        MessageBoxWatcher boxes(IDOK);
        ::SendMessageA(Frame()->GetHwnd(), WM_COMMAND, ID_ADD_FILES, 0);
        EXPECT_TRUE(boxes.Texts().empty()) << other;
        EXPECT_EQ(Items(), (std::vector<std::string>{fileA})) << other;
    }
    EXPECT_EQ(scripted->runs, 4);
}

TEST_F(ShellTest, ButtonsAndMenuItemsShowTheirPromptsAndTheButtonsTheirTooltips) {
    ASSERT_TRUE(StartWithoutList());
    PumpMessages();
    fw::ToolBar& bar = Frame()->GetToolBar();
    // The pointer over a button (the flat toolbar's hot item), then off the bar.
    bar.Send(TB_SETHOTITEM, 0);
    EXPECT_EQ(StatusText(0), "Add files to the file list");
    bar.Send(TB_SETHOTITEM, 2);
    EXPECT_EQ(StatusText(0), "Switch to the custom INI file");
    bar.Send(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    EXPECT_EQ(StatusText(0), "Ready");

    HMENU help = ::GetSubMenu(::GetMenu(Frame()->GetHwnd()), 3);
    Frame()->Send(WM_MENUSELECT, MAKEWPARAM(ID_APP_ABOUT, MF_HILITE), reinterpret_cast<LPARAM>(help));
    EXPECT_EQ(StatusText(0), "Display program information, version number and copyright");
    Frame()->Send(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(StatusText(0), "Ready");

    HWND tips = reinterpret_cast<HWND>(bar.Send(TB_GETTOOLTIPS));
    ASSERT_NE(tips, nullptr);
    const std::pair<UINT, const char*> expected[] = {
        {ID_ADD_FILES, "Add files"}, {ID_CLEAR_LIST, "Clear"},     {ID_CHANGE_INI, "Change INI file"},
        {ID_EDIT_CUT, "Cut"},        {ID_EDIT_COPY, "Copy"},       {ID_EDIT_PASTE, "Paste"},
        {ID_FILE_PRINT, ""},    {ID_APP_ABOUT, "About"}};
    for (const auto& [id, tip] : expected) {
        char text[80] = "";
        TTTOOLINFOA info{};
        info.cbSize = sizeof info;
        info.hwnd = bar.GetHwnd();
        info.uId = id;
        info.lpszText = text;
        ::SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(text, tip) << id;
    }
}

// --- keys and panes -----------------------------------------------------------------------

TEST_F(ShellTest, TabAndF6SwitchTheActivePane) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    List().Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_EQ(::GetFocus(), View().m_wndFields.GetHwnd());
    View().m_wndFields.Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());

    MSG f6{};
    f6.hwnd = List().GetHwnd();
    f6.message = WM_KEYDOWN;
    f6.wParam = VK_F6;
    EXPECT_TRUE(Frame()->TranslateAccelerator(&f6));
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    // The frame passes its own focus on to the file list, whichever view is active.
    ::SetFocus(Frame()->GetHwnd());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());
}

TEST_F(ShellTest, F6AndShiftF6GoToTheNextAndThePreviousPaneRoundTheSplitter) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    BYTE saved[256], keys[256];
    ASSERT_TRUE(::GetKeyboardState(saved));
    memcpy(keys, saved, sizeof keys);
    auto press = [&](bool shift) {
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        MSG f6{};
        f6.hwnd = ::GetFocus();
        f6.message = WM_KEYDOWN;
        f6.wParam = VK_F6;
        return Frame()->TranslateAccelerator(&f6);
    };
    EXPECT_TRUE(press(false));
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_TRUE(press(false));
    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_TRUE(press(true));
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_EQ(::GetFocus(), View().m_wndFields.GetHwnd());
    EXPECT_TRUE(press(true));
    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());
    ::SetKeyboardState(saved);
}

TEST_F(ShellTest, AClickIntoAPaneMakesItTheActiveViewSoOneTabLeavesIt) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    // What the system sends to the window under the pointer when a button goes down.
    auto click = [&](HWND hwnd) {
        return ::SendMessageA(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(Frame()->GetHwnd()),
                              MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN));
    };
    EXPECT_EQ(click(View().m_wndFields.GetHwnd()), MA_ACTIVATE);
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_EQ(::GetFocus(), View().m_wndFields.GetHwnd());
    View().m_wndFields.Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());

    click(View().m_wndTabs.GetHwnd());
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_EQ(::GetFocus(), View().m_wndFields.GetHwnd());
    click(List().GetHwnd());
    EXPECT_EQ(Frame()->GetActiveView(), &List());
    EXPECT_EQ(::GetFocus(), List().GetHwnd());
    List().Send(WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(Frame()->GetActiveView(), &View());

    // The active view clicked while the focus is elsewhere takes the focus back.
    ::SetFocus(List().GetHwnd());
    click(View().m_wndFields.GetHwnd());
    EXPECT_EQ(Frame()->GetActiveView(), &View());
    EXPECT_EQ(::GetFocus(), View().m_wndFields.GetHwnd());
    // Clicks change no file and inspect nothing.
    EXPECT_EQ(Title(), "Probelet - " + fileA);
    EXPECT_EQ(InspectionRuns(), 2);
}

TEST_F(ShellTest, LeftAndRightStepThroughThePluginsForTheCurrentFile) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    List().Send(WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(View().m_wndTabs.GetSelectedTab(), 1);
    ASSERT_FALSE(FieldNames().empty());
    EXPECT_EQ(FieldNames()[0], "Size");
    List().Send(WM_KEYDOWN, VK_RIGHT, 0);  // already the last tab
    EXPECT_EQ(View().m_wndTabs.GetSelectedTab(), 1);
    View().m_wndFields.Send(WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(View().m_wndTabs.GetSelectedTab(), 0);
    EXPECT_EQ(FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    EXPECT_EQ(Title(), "Probelet - " + fileA);
}

// --- layout, splitter, toolbar ---------------------------------------------------------------

TEST_F(ShellTest, AfterAResizeBothPanesFillTheirPlace) {
    ASSERT_TRUE(Start(fileA + "\r\n"));
    for (SIZE size : {SIZE{700, 500}, SIZE{520, 380}}) {
        ::SetWindowPos(Frame()->GetHwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(List().GetColumnWidth(0), List().GetClientRect().right);
        RECT view = View().GetClientRect();
        RECT fields{};
        ::GetWindowRect(View().m_wndFields.GetHwnd(), &fields);
        EXPECT_EQ(fields.right - fields.left, view.right);
        EXPECT_EQ(fields.bottom - fields.top, view.bottom - 21);
    }
}

TEST_F(ShellTest, TheToolbarCanBeDraggedToTheLeftSideAndBack) {
    ASSERT_TRUE(StartWithoutList());
    fw::ToolBar& bar = Frame()->GetToolBar();
    HWND splitter = Frame()->GetSplitter().GetHwnd();
    auto dropAt = [&](POINT inFrame) {
        bar.Send(WM_NCLBUTTONDOWN, HTCAPTION, 0);
        ASSERT_EQ(::GetCapture(), bar.GetHwnd());
        ::MapWindowPoints(Frame()->GetHwnd(), bar.GetHwnd(), &inFrame, 1);
        bar.Send(WM_LBUTTONUP, 0, MAKELPARAM(inFrame.x, inFrame.y));
        EXPECT_EQ(::GetCapture(), nullptr);
    };
    dropAt(POINT{3, Frame()->GetClientRect().bottom / 2});
    EXPECT_EQ(bar.GetDockSide(), fw::kBarAlignLeft);
    RECT tb = ChildRect(bar.GetHwnd());
    EXPECT_EQ(tb.left, 0);
    EXPECT_EQ(tb.top, 0);
    EXPECT_GT(tb.bottom - tb.top, tb.right - tb.left);
    EXPECT_EQ(ChildRect(splitter).left, tb.right);
    EXPECT_EQ(ChildRect(splitter).top, 0);
    // Buttons are stacked: the last one lies below the first.
    RECT first = bar.GetItemRect(0), last = bar.GetItemRect(bar.GetButtonCount() - 1);
    EXPECT_GT(last.top, first.top);

    dropAt(POINT{Frame()->GetClientRect().right / 2, 2});
    EXPECT_EQ(bar.GetDockSide(), fw::kBarAlignTop);
    tb = ChildRect(bar.GetHwnd());
    EXPECT_GT(tb.right - tb.left, tb.bottom - tb.top);
    EXPECT_EQ(ChildRect(splitter).top, tb.bottom);
    EXPECT_EQ(ChildRect(splitter).left, 0);
}

class SplitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        fw::SplitterArgs args;
        args.parent = parent.GetHwnd();
        args.columns = 2;
        ASSERT_TRUE(splitter.Create(args));
        splitter.MoveWindow(0, 0, 400, 300);
        ASSERT_TRUE(splitter.CreateView(0, 0, std::make_unique<fw::View>(), SIZE{100, 0}));
        ASSERT_TRUE(splitter.CreateView(0, 1, std::make_unique<fw::View>(), SIZE{400, 0}));
        splitter.RecalcLayout();
    }
    LPARAM BarCentre() const {
        RECT bar = splitter.BarRect(0);
        return MAKELPARAM((bar.left + bar.right) / 2, 150);
    }
    testsupport::RecordingParent parent{400, 300};
    CPaneSplitter splitter;
};

TEST_F(SplitterTest, PanesSitSideBySideTheLastTakingTheRest) {
    EXPECT_EQ(splitter.GetColumnWidth(0), 100);
    EXPECT_EQ(splitter.GetColumnWidth(1), 400 - 100 - fw::Splitter::kBarWidth);
    EXPECT_EQ(::GetDlgCtrlID(splitter.GetPane(0, 1)->GetHwnd()), IDW_PANE_FIRST + 1);
}

TEST_F(SplitterTest, TheBarIsDraggedOnlyOnceThePanesAreMade) {
    splitter.Send(WM_LBUTTONDOWN, MK_LBUTTON, BarCentre());
    EXPECT_NE(::GetCapture(), splitter.GetHwnd());
    splitter.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 150));
    EXPECT_EQ(splitter.GetColumnWidth(0), 100);

    splitter.m_bPanesCreated = TRUE;
    splitter.Send(WM_LBUTTONDOWN, MK_LBUTTON, BarCentre());
    EXPECT_EQ(::GetCapture(), splitter.GetHwnd());
    RECT bar = splitter.BarRect(0);
    splitter.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((bar.left + bar.right) / 2 + 50, 150));
    splitter.Send(WM_LBUTTONUP, 0, MAKELPARAM((bar.left + bar.right) / 2 + 50, 150));
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(splitter.GetColumnWidth(0), 150);
    EXPECT_EQ(splitter.GetColumnWidth(1), 400 - 150 - fw::Splitter::kBarWidth);
}

}  // namespace
