// The file list in a plain window that stands in for the main window and
// records what the list tells it.
#include "app/FileList.h"
#include "framework/AppGlobals.h"
#include "ListFilePipe.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class MainWindowStandIn : public testsupport::RecordingParent {
public:
    std::vector<WPARAM> fileSelected;  // wParam of each WM_FILESELECTED
    std::vector<int> selectionSeen;    // the list's selection when it arrived
    CFileList* list = nullptr;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_FILESELECTED) {
            fileSelected.push_back(wParam);
            selectionSeen.push_back(list ? list->GetSelectedIndex() : -2);
            return 0;
        }
        return RecordingParent::WindowProc(msg, wParam, lParam);
    }
};

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(main.IsCreated());
        fw::SetMainWindow(main.GetHwnd());
        ASSERT_TRUE(list.Create(testsupport::PaneArgs(main.GetHwnd())));
        main.list = &list;
    }
    void TearDown() override { fw::SetMainWindow(nullptr); }

    std::vector<std::string> Items() const {
        std::vector<std::string> items;
        for (int i = 0; i < list.GetItemCount(); ++i) items.push_back(list.GetItemText(i, 0));
        return items;
    }

    MainWindowStandIn main;
    CFileList list;
    testsupport::TempDir dir;
};

TEST_F(FileListTest, HasOneFileNameColumnAndReportStyle) {
    EXPECT_EQ(list.GetStyle() & 0xFF, static_cast<DWORD>(LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS));
    char heading[32] = "";
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = heading;
    col.cchTextMax = sizeof heading;
    ASSERT_TRUE(list.Send(LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(heading, "File Name");
    EXPECT_FALSE(list.Send(LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col)));
}

TEST_F(FileListTest, ListFileLinesBecomeItemsAndTheFirstIsAnnouncedTwice) {
    list.LoadFileList(dir.Write("list.txt", "C:\\a.txt\r\n\r\nC:\\a.txt").c_str());
    EXPECT_EQ(Items(), (std::vector<std::string>{"C:\\a.txt", "", "C:\\a.txt"}));
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    // Once from the selection of item 0, once more at the end of loading.
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{0, 0}));
    EXPECT_EQ(main.selectionSeen, (std::vector<int>{0, 0}));
}

TEST_F(FileListTest, AListFileIsReadInTextModeWhereCtrlZEndsIt) {
    list.LoadFileList(dir.Write("dos.txt", "C:\\a.txt\r\nC:\\b.txt\r\n\x1A").c_str());
    EXPECT_EQ(Items(), (std::vector<std::string>{"C:\\a.txt", "C:\\b.txt"}));
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{0, 0}));
}

TEST_F(FileListTest, EmptyListFileStillAnnouncesOnceWithNothingSelected) {
    list.LoadFileList(dir.Write("empty.txt", "").c_str());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{0}));
    EXPECT_EQ(main.selectionSeen, (std::vector<int>{-1}));
}

TEST_F(FileListTest, NoPathDoesNothingAndAMissingFileIsReported) {
    testsupport::MessageBoxWatcher boxes(IDOK);
    list.LoadFileList(nullptr);
    list.LoadFileList((dir.Path() + "\\missing.txt").c_str());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Cannot open file list"}));
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(main.fileSelected.empty());
}

TEST_F(FileListTest, AListFileThatBreaksOffKeepsItsLinesAndSaysSo) {
    testsupport::BreakingListFile source("C:\\one.txt\r\nC:\\two.txt\r\n");
    ASSERT_TRUE(source.Valid());
    testsupport::MessageBoxWatcher boxes(IDOK);
    list.LoadFileList(source.Path().c_str());
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Cannot read the whole file list"}));
    EXPECT_EQ(Items(), (std::vector<std::string>{"C:\\one.txt", "C:\\two.txt"}));
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    EXPECT_EQ(main.fileSelected.size(), 2u);
}

TEST_F(FileListTest, MovingTheSelectionAnnouncesOnlyTheNewItem) {
    list.LoadFileList(dir.Write("list.txt", "a\nb\nc\n").c_str());
    // Selecting sets no focus item; a click on item 0 would. Any change of a
    // selected item's state announces it again.
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{0, 0, 0}));
    main.fileSelected.clear();
    ::SetFocus(list.GetHwnd());
    list.Send(WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{1}));
    list.SelectItem(2);
    EXPECT_EQ(main.fileSelected, (std::vector<WPARAM>{1, 2}));
    EXPECT_EQ(list.GetSelectedIndex(), 2);
}

TEST_F(FileListTest, TabLeftAndRightAreForwardedToTheMainWindowOtherKeysAreNot) {
    list.LoadFileList(dir.Write("list.txt", "a\nb\n").c_str());
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    main.keys.clear();
    for (WPARAM key : {VK_TAB, VK_UP, VK_LEFT, VK_RIGHT, int('A'), VK_DOWN}) list.Send(WM_KEYDOWN, key, 0);
    EXPECT_EQ(main.keys, (std::vector<WPARAM>{VK_TAB, VK_LEFT, VK_RIGHT}));
    // The list still handled the keys itself: Down moved the selection.
    EXPECT_EQ(list.GetSelectedIndex(), 1);
}

TEST_F(FileListTest, SelectedPathIsCutToWhatAPathBufferHolds) {
    char path[MAX_PATH] = "stale";
    list.GetSelectedPath(path);
    EXPECT_STREQ(path, "");
    const std::string longText = "C:\\" + std::string(400, 'n');
    list.InsertItem(0, longText.c_str());
    list.SelectItem(0);
    list.GetSelectedPath(path);
    EXPECT_EQ(std::string(path), longText.substr(0, MAX_PATH - 1));
}

TEST_F(FileListTest, TheColumnFillsTheListAfterEveryResize) {
    for (int width : {300, 180, 520}) {
        list.MoveWindow(0, 0, width, 150);
        EXPECT_EQ(list.GetColumnWidth(0), list.GetClientRect().right) << width;
    }
}

}  // namespace
