// The program's message boxes as the user meets them: their text, caption and
// buttons, and what each answer leaves behind.
#include "e2e/E2EFixture.h"

namespace e2e {
namespace {

using MessageBoxes = E2ETest;

TEST_F(MessageBoxes, AMissingFirstFileIsQuestionedForBothAnnouncementsAndNoKeepsIt) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    const std::string missing = dir.Path() + "\\missing.txt";
    ASSERT_TRUE(Launch({ListFile("list.txt", {missing, fileA})}));

    HWND box = app.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(RemoteProbelet::Caption(box), "Probelet");
    EXPECT_TRUE(::GetDlgItem(box, IDYES));
    EXPECT_TRUE(::GetDlgItem(box, IDNO));
    EXPECT_FALSE(::GetDlgItem(box, IDOK));
    EXPECT_EQ(app.AnswerAll(IDNO), (std::vector<std::string>{Question(missing), Question(missing)}));

    ASSERT_TRUE(app.WaitStarted());
    EXPECT_EQ(app.Files(), (std::vector<std::string>{missing, fileA}));
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(app.Title(), "Probelet - " + Ini());
    EXPECT_TRUE(app.Rows().empty());
    EXPECT_EQ(TestPluginRuns(), 0);
    ExpectCleanExit();
}

TEST_F(MessageBoxes, YesRemovesTheMissingFileAndTheSecondAnnouncementFindsNothingSelected) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    const std::string missing = dir.Path() + "\\missing.txt";
    ASSERT_TRUE(Launch({ListFile("list.txt", {missing, fileA})}));
    EXPECT_EQ(app.AnswerAll(IDYES), (std::vector<std::string>{Question(missing), Question("")}));
    ASSERT_TRUE(app.WaitStarted());
    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(app.SelectedFile(), -1);
    EXPECT_EQ(app.Title(), "Probelet - " + Ini());
    EXPECT_EQ(TestPluginRuns(), 0);
    ExpectCleanExit();
}

TEST_F(MessageBoxes, AnEmptyListFileAsksAboutTheEmptyPathOnce) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(Launch({ListFile("empty.txt", {})}));
    EXPECT_EQ(app.AnswerAll(IDYES), (std::vector<std::string>{Question("")}));
    ASSERT_TRUE(app.WaitStarted());
    EXPECT_TRUE(app.Files().empty());
    EXPECT_EQ(TestPluginRuns(), 0);
    ExpectCleanExit();
}

TEST_F(MessageBoxes, AListFileThatCannotBeOpenedIsReportedAndStartUpGoesOn) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(Launch({dir.Path() + "\\no such list.txt"}));
    HWND box = app.WaitForMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(RemoteProbelet::Caption(box), "Probelet");
    EXPECT_TRUE(::GetDlgItem(box, IDOK));
    EXPECT_FALSE(::GetDlgItem(box, IDNO));
    EXPECT_EQ(app.AnswerAll(IDOK), (std::vector<std::string>{"Cannot open file list"}));
    ASSERT_TRUE(app.WaitStarted());
    EXPECT_EQ(app.StatusText(1), Ini());
    EXPECT_EQ(app.Title(), "Probelet - " + Ini());
    EXPECT_TRUE(app.Files().empty());
    EXPECT_EQ(plugin.Data().callCount, 0);
    ExpectCleanExit();
}

TEST_F(MessageBoxes, ADllWithoutTheRequiredEntryPointsIsNotAPlugin) {
    ASSERT_TRUE(InstallHost({testplugin::Path(testplugin::Variant::NoGetValue), testplugin::Path(testplugin::Variant::NoGetField)}));
    ASSERT_TRUE(Launch({ListFile("list.txt", {fileA})}));
    const std::string notValid = "This is not valid TC plugin";
    EXPECT_EQ(app.AnswerAll(IDOK), (std::vector<std::string>{notValid, notValid}));
    ASSERT_TRUE(app.WaitStarted());
    // The file exists, so it is still the current one.
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_TRUE(app.Rows().empty());

    ASSERT_TRUE(app.PressKey(VK_RIGHT));
    EXPECT_EQ(app.AnswerAll(IDOK), (std::vector<std::string>{notValid}));
    EXPECT_TRUE(app.Rows().empty());
    ExpectCleanExit();
}

TEST_F(MessageBoxes, APluginThatCannotBeLoadedIsReportedWithItsPathAndTheSystemCode) {
    const std::string absent = dir.Path() + "\\absent.wdx";
    ASSERT_TRUE(InstallHost({absent}));
    ASSERT_TRUE(Launch({ListFile("list.txt", {fileA})}));
    std::vector<std::string> texts = app.AnswerAll(IDOK);
    ASSERT_EQ(texts.size(), 2u);
    // Wine reports a missing library as 126 (module not found) or 2 (file not found).
    for (const std::string& text : texts)
        EXPECT_TRUE(text == "Error plugin loading " + absent + " (126)" ||
                    text == "Error plugin loading " + absent + " (2)")
            << text;
    ASSERT_TRUE(app.WaitStarted());
    EXPECT_TRUE(app.Rows().empty());
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e
