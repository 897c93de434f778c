// Keys and toolbar commands of the running program.
#include "e2e/E2EFixture.h"

#include "res/resource.h"

#include <algorithm>

namespace e2e {
namespace {

using Keys = E2ETest;
using Commands = E2ETest;

const std::vector<std::string> kTestFields{"Name", "Count"};

TEST_F(Keys, LeftAndRightStepThroughThePluginTabsOneInspectionEach) {
    // The test plugin on both sides of the sample plugin counts every step.
    ASSERT_TRUE(InstallHost({testplugin::Path(), Built("fileinfo"), testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA, fileB})}));
    ASSERT_EQ(TestPluginRuns(), 2);

    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(app.Rows()[0][3], "1234");
    EXPECT_EQ(TestPluginRuns(), 2);

    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    EXPECT_EQ(app.FieldNames(), kTestFields);
    EXPECT_EQ(TestPluginRuns(), 3);
    ASSERT_TRUE(app.PressKey(VK_RIGHT));  // the last tab: nothing to step to
    EXPECT_EQ(TestPluginRuns(), 3);
    EXPECT_EQ(app.FieldNames(), kTestFields);

    ASSERT_TRUE(app.PressKey(VK_LEFT));
    EXPECT_EQ(app.Rows()[0][0], "Size");
    ASSERT_TRUE(app.PressKey(VK_LEFT));
    EXPECT_EQ(app.FieldNames(), kTestFields);
    EXPECT_EQ(TestPluginRuns(), 4);
    ASSERT_TRUE(app.PressKey(VK_LEFT));  // the first tab
    EXPECT_EQ(TestPluginRuns(), 4);

    // Every step inspected the selected file; the list and title stay.
    for (const testplugin::Call& c : plugin.Calls(testplugin::Entry::GetValue)) EXPECT_EQ(c.file, fileA);
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_TRUE(app.Dialogs().empty());
    ExpectCleanExit();
}

TEST_F(Keys, TabSwitchesTheActivePaneAndTheArrowsWorkFromBoth) {
    ASSERT_TRUE(InstallHost({testplugin::Path(), Built("fileinfo")}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA})}));
    ASSERT_EQ(app.Focus(), app.FileList());

    ASSERT_TRUE(app.PressKey(VK_TAB));
    EXPECT_EQ(app.Focus(), app.FieldList());
    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(app.Focus(), app.FieldList());

    ASSERT_TRUE(app.PressKey(VK_TAB));
    EXPECT_EQ(app.Focus(), app.FileList());
    ASSERT_TRUE(app.PressKey(VK_LEFT));
    EXPECT_EQ(app.FieldNames(), kTestFields);
    EXPECT_EQ(TestPluginRuns(), 3);
    ExpectCleanExit();
}

TEST_F(Keys, WithoutAFileTheArrowsInspectTheEmptyPath) {
    ASSERT_TRUE(InstallHost({Built("fileinfo"), testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({}));
    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    EXPECT_EQ(app.FieldNames(), kTestFields);
    EXPECT_EQ(TestPluginRuns(), 1);
    for (const testplugin::Call& c : plugin.Calls(testplugin::Entry::GetValue)) EXPECT_STREQ(c.file, "");
    EXPECT_EQ(app.Title(), "Probelet - " + Ini());
    ExpectCleanExit();
}

TEST_F(Commands, ClearEmptiesTheFileListButKeepsRowsTitleAndStatus) {
    ASSERT_TRUE(InstallHost({Built("fileinfo")}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA, fileB})}));
    const auto rows = app.Rows();
    ASSERT_FALSE(rows.empty());

    ASSERT_TRUE(app.Command(ID_CLEAR_LIST));
    EXPECT_TRUE(app.Files().empty());
    EXPECT_EQ(app.Rows(), rows);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_EQ(app.StatusText(1), Ini());
    EXPECT_EQ(app.Focus(), app.FileList());
    EXPECT_TRUE(app.Dialogs().empty());

    // The plugin keys still work on the file that was current.
    ASSERT_TRUE(app.PressKey(VK_LEFT));
    EXPECT_EQ(app.Rows(), rows);
    ExpectCleanExit();
}

TEST_F(Commands, FileExitEndsTheProgramWithExitCodeZero) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA})}));
    ASSERT_TRUE(app.MenuCommand(ID_APP_EXIT));
    DWORD code = 0xDEAD;
    ASSERT_TRUE(app.WaitExit(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(Commands, HelpAboutShowsTheModalAboutBoxUntilOk) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({}));
    ASSERT_TRUE(app.MenuCommand(ID_APP_ABOUT));
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        std::vector<HWND> dialogs = app.Dialogs();
        about = dialogs.empty() || !::IsWindowVisible(dialogs[0]) ? nullptr : dialogs[0];
        return about != nullptr;
    }));
    EXPECT_EQ(RemoteProbelet::Caption(about), "About Probelet");
    EXPECT_EQ(::GetWindow(about, GW_OWNER), app.Main());
    EXPECT_FALSE(::IsWindowEnabled(app.Main()));
    std::vector<std::string> texts;
    for (HWND child = ::GetWindow(about, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        texts.push_back(RemoteProbelet::Text(child));
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[1], "Probelet Version 1.0");
    EXPECT_FALSE(texts[2].empty());
    EXPECT_EQ(texts[3], "OK");
    ASSERT_TRUE(RemoteProbelet::Answer(about, IDOK));
    ASSERT_TRUE(app.Sync());
    EXPECT_TRUE(app.Dialogs().empty());
    EXPECT_TRUE(::IsWindowEnabled(app.Main()));
    ExpectCleanExit();
}

TEST_F(Commands, ChangeIniChangesNothing) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA})}));
    const auto rows = app.Rows();
    const int runs = TestPluginRuns();

    ASSERT_TRUE(app.Command(ID_CHANGE_INI));
    ASSERT_TRUE(app.Sync());
    EXPECT_TRUE(app.Dialogs().empty());
    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(app.Rows(), rows);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_EQ(app.StatusText(1), Ini());
    EXPECT_EQ(TestPluginRuns(), runs);
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e

namespace e2e {
namespace {

using AddFiles = E2ETest;

// The dialog opens in the program's working folder, the temp folder: the
// names typed are relative to it.
TEST_F(AddFiles, IntoAnEmptyListTheChosenFilesAreAppendedAndTheFirstIsInspected) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({}));
    ASSERT_TRUE(app.PostCommand(ID_ADD_FILES));
    HWND edit = app.WaitForFileNameEdit();
    ASSERT_TRUE(edit);
    EXPECT_EQ(RemoteProbelet::Text(edit), "");
    ASSERT_TRUE(RemoteProbelet::SetText(edit, "\"b.dat\" \"a.txt\""));
    HWND dialog = ::GetAncestor(edit, GA_ROOT);
    ASSERT_TRUE(RemoteProbelet::Answer(dialog, IDOK));
    ASSERT_TRUE(app.Sync());

    std::vector<std::string> files = app.Files();
    ASSERT_EQ(files.size(), 2u);
    // The dialog hands the names back in its own order; both are full paths.
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{fileA, fileB}));
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(TestPluginRuns(), 1);
    EXPECT_EQ(app.Title(), "Probelet - " + app.Files()[0]);
    EXPECT_EQ(app.FieldNames(), kTestFields);
    ExpectCleanExit();
}

TEST_F(AddFiles, WithASelectionTheDialogStartsAtItAndNewFilesGoAfterTheOthers) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA})}));
    const int runs = TestPluginRuns();
    ASSERT_TRUE(app.PostCommand(ID_ADD_FILES));
    HWND edit = app.WaitForFileNameEdit();
    ASSERT_TRUE(edit);
    // The dialog goes to the initial name's folder and shows the name alone.
    EXPECT_EQ(RemoteProbelet::Text(edit), "a.txt");
    ASSERT_TRUE(RemoteProbelet::SetText(edit, "\"a.txt\" \"b.dat\""));
    ASSERT_TRUE(RemoteProbelet::Answer(::GetAncestor(edit, GA_ROOT), IDOK));
    ASSERT_TRUE(app.Sync());

    std::vector<std::string> files = app.Files();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0], fileA);
    std::sort(files.begin() + 1, files.end());
    EXPECT_EQ(files, (std::vector<std::string>{fileA, fileA, fileB}));
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(TestPluginRuns(), runs);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    ExpectCleanExit();
}

TEST_F(AddFiles, CancelAddsNothing) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA})}));
    ASSERT_TRUE(app.PostCommand(ID_ADD_FILES));
    HWND edit = app.WaitForFileNameEdit();
    ASSERT_TRUE(edit);
    ASSERT_TRUE(RemoteProbelet::Answer(::GetAncestor(edit, GA_ROOT), IDCANCEL));
    ASSERT_TRUE(app.Sync());
    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileA}));
    EXPECT_TRUE(app.Dialogs().empty());
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e
