// A plugin that faults while the real program inspects a file: the user gets
// one box naming the fault, the rows up to the faulting field, and a program
// that goes on working.
#include "e2e/E2EFixture.h"

namespace e2e {
namespace {

using PluginFaults = E2ETest;

TEST_F(PluginFaults, AnAccessViolationInTheSecondFieldIsReportedAndTheNextTabWorks) {
    plugin.AddText("Third", wdx::kString, "never fetched");
    plugin.PlanFault(testplugin::FaultPoint::GetValue, testplugin::FaultKind::AccessViolation, 1);
    const std::string faulty = testplugin::Path(testplugin::Variant::Faulty);
    ASSERT_TRUE(InstallHost({faulty, Built("fileinfo")}));
    ASSERT_TRUE(Launch({ListFile("list.txt", {fileA})}));

    const std::string message = "Exception 0xC0000005 in ContentGetValue, field 1, of " + faulty;
    HWND box = app.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(RemoteProbelet::BoxText(box), message);
    EXPECT_EQ(RemoteProbelet::Caption(box), "Probelet");
    EXPECT_TRUE(::GetDlgItem(box, IDOK));
    EXPECT_FALSE(::GetDlgItem(box, IDCANCEL));
    ASSERT_TRUE(RemoteProbelet::Answer(box, IDOK));
    // Start-up announces the first file twice, so it is inspected twice: one
    // box per run.
    EXPECT_EQ(app.AnswerAll(IDOK), std::vector<std::string>{message});
    ASSERT_TRUE(app.WaitStarted());

    const std::vector<std::vector<std::string>> rows = app.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "Name");
    EXPECT_EQ(rows[0][3], "hello");
    EXPECT_EQ(rows[1][0], "Count");
    EXPECT_EQ(rows[1][3], "<Exception 0xC0000005>");
    EXPECT_EQ(plugin.Data().fault.faults, 2);
    EXPECT_EQ(plugin.Data().unloads, plugin.Data().loads);  // released after the fault
    EXPECT_EQ(app.Files(), std::vector<std::string>{fileA});
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);

    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    ASSERT_FALSE(app.Rows().empty());
    EXPECT_EQ(app.Rows()[0][0], "Size");
    EXPECT_EQ(app.Rows()[0][3], "1234");
    EXPECT_TRUE(app.Dialogs().empty());
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e
