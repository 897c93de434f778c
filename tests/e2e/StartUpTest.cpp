// Start-up of the real program: the command line, the host's INI, the first
// inspection and the end of the process.
#include "e2e/E2EFixture.h"

#include <cstdio>
#include <regex>

namespace e2e {
namespace {

using StartUp = E2ETest;

// The local modification date of a file as the sample plugin's Date row shows it.
std::string ModifiedDate(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    FILETIME local{};
    SYSTEMTIME st{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !::FileTimeToSystemTime(&local, &st))
        return "<no date>";
    char text[32];
    std::snprintf(text, sizeof text, "%hd-%02hd-%02hd", st.wYear, st.wMonth, st.wDay);
    return text;
}

const std::vector<std::string>* Row(const std::vector<std::vector<std::string>>& rows, const std::string& field) {
    for (const auto& row : rows)
        if (row[0] == field) return &row;
    return nullptr;
}

TEST_F(StartUp, AListFileFillsTheListAndTheFirstFileShowsTheSamplePluginsRealValues) {
    ASSERT_TRUE(InstallHost({Built("fileinfo")}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA, "", fileB})}));

    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileA, "", fileB}));
    EXPECT_EQ(app.SelectedFile(), 0);
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_EQ(app.StatusText(1), Ini());
    EXPECT_EQ(app.Focus(), app.FileList());

    auto rows = app.Rows();
    ASSERT_EQ(rows.size(), 14u);
    EXPECT_EQ(rows[0][0], "Size");
    EXPECT_EQ(rows[0][1], "Numeric 64");
    EXPECT_EQ(rows[0][3], "1234");
    const std::regex millis("[0-9]+\\.[0-9]{3}");
    for (const auto& row : rows) EXPECT_TRUE(std::regex_match(row[2], millis)) << row[0] << ": " << row[2];
    ASSERT_TRUE(Row(rows, "Modified date"));
    EXPECT_EQ((*Row(rows, "Modified date"))[1], "Date");
    EXPECT_EQ((*Row(rows, "Modified date"))[3], ModifiedDate(fileA));
    ASSERT_TRUE(Row(rows, "Read-only"));
    EXPECT_EQ((*Row(rows, "Read-only"))[3], "No");
    ASSERT_TRUE(Row(rows, "Kind"));
    EXPECT_EQ((*Row(rows, "Kind"))[3], "File");
    ASSERT_TRUE(Row(rows, "Extension"));
    EXPECT_EQ((*Row(rows, "Extension"))[3], "txt");
    ASSERT_TRUE(Row(rows, "Text"));
    EXPECT_EQ((*Row(rows, "Text"))[1], "Fulltext");
    EXPECT_EQ((*Row(rows, "Text"))[3].substr(0, 10), std::string(10, 'a'));

    EXPECT_TRUE(app.WaitStarted());
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText(0) == "Ready"; })) << app.StatusText(0);
    ExpectCleanExit();
}

TEST_F(StartUp, TheFirstFileIsAnnouncedTwiceSoItIsInspectedTwice) {
    ASSERT_TRUE(InstallHost({testplugin::Path(), Built("fileinfo")}));
    ASSERT_TRUE(LaunchQuietly({ListFile("list.txt", {fileA, fileB})}));
    EXPECT_EQ(TestPluginRuns(), 2);
    for (const testplugin::Call& c : plugin.Calls(testplugin::Entry::GetValue)) EXPECT_EQ(c.file, fileA);
    EXPECT_EQ(app.FieldNames(), (std::vector<std::string>{"Name", "Count"}));
    auto rows = app.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][3], "hello");
    EXPECT_EQ(rows[1][1], "Numeric 32");
    EXPECT_EQ(rows[1][3], "42");
    ExpectCleanExit();
}

TEST_F(StartUp, WithoutArgumentsTheTitleNamesTheIniAndNothingIsInspected) {
    ASSERT_TRUE(InstallHost({testplugin::Path(), Built("fileinfo")}));
    ASSERT_TRUE(LaunchQuietly({}));
    EXPECT_EQ(app.Title(), "Probelet - " + Ini());
    EXPECT_EQ(app.StatusText(1), Ini());
    EXPECT_TRUE(app.Files().empty());
    EXPECT_TRUE(app.Rows().empty());
    EXPECT_EQ(plugin.Data().callCount, 0);
    EXPECT_TRUE(app.Dialogs().empty());
    ExpectCleanExit();
}

TEST_F(StartUp, OnlyTheFirstArgumentIsUsed) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    std::string first = ListFile("first.txt", {fileA});
    std::string second = ListFile("second.txt", {fileB});
    ASSERT_TRUE(LaunchQuietly({first, second}));
    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileA}));
    EXPECT_EQ(app.Title(), "Probelet - " + fileA);
    EXPECT_EQ(TestPluginRuns(), 2);
    ExpectCleanExit();
}

TEST_F(StartUp, AQuotedListPathWithBlanksArrivesAsOneArgument) {
    ASSERT_TRUE(InstallHost({testplugin::Path()}));
    ASSERT_TRUE(LaunchQuietly({ListFile("my list file.txt", {fileB})}));
    EXPECT_EQ(app.Files(), (std::vector<std::string>{fileB}));
    EXPECT_EQ(app.Title(), "Probelet - " + fileB);
    ExpectCleanExit();
}

}  // namespace
}  // namespace e2e
