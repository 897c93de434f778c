// Path texts of the host configuration: labels, joining, expansion, and the
// 64-bit plugin name, each kept within 260 bytes.
#include "hostconfig/PathText.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace hostconfig;

namespace {

// Sets a variable of this process for the test's duration.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        ::SetEnvironmentVariableA(name, value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableA(m_name, nullptr); }

private:
    const char* m_name;
};

std::string Join(const std::string& installDir, const std::string& name) {
    PathBuffer location;
    EXPECT_TRUE(CopyPath(installDir, location));
    JoinIniLocation(location, name.c_str());
    return location;
}

}  // namespace

TEST(PluginLabel, IsTheFileNameWithoutExtension) {
    EXPECT_EQ(MakePluginLabel("C:\\plugins\\size\\size.dll"), "size");
    EXPECT_EQ(MakePluginLabel("%PLUGROOT%\\a\\a.dll"), "a");
    EXPECT_EQ(MakePluginLabel("plug.wdx"), "plug");
    EXPECT_EQ(MakePluginLabel("plug"), "plug");
    EXPECT_EQ(MakePluginLabel("C:\\p\\name.with.dots.wdx"), "name.with.dots");
}

TEST(PluginLabel, AFileNameWithoutDotIsCutAtTheDirectorysDot) {
    EXPECT_EQ(MakePluginLabel("C:\\dir.x\\plug"), "dir");
}

TEST(PluginLabel, SearchesStepOverDoubleByteCharacters) {
    // In code page 932 the character 0x83 0x5C ends in the byte of '\'.
    const std::string value = "C:\\p\\\x83\x5C.wdx";
    EXPECT_EQ(MakePluginLabel(value, 932), "\x83\x5C");
    EXPECT_EQ(MakePluginLabel(value, 1252), "");
    EXPECT_EQ(FindLastChar("\x83\x5C", '\\', 932), std::string::npos);
    EXPECT_EQ(FindLastChar("a\\b\\c", '\\', 1252), 3u);
}

TEST(IniLocation, RelativeNamesAreAppendedWithoutSeparator) {
    EXPECT_EQ(Join("C:\\TC", ".\\wincmd.ini"), "C:\\TC\\wincmd.ini");
    EXPECT_EQ(Join("C:\\TC", "wincmd.ini"), "C:\\TCwincmd.ini");
    EXPECT_EQ(Join("C:\\TC", ""), "C:\\TC");
}

TEST(IniLocation, AbsoluteNamesReplaceTheInstallationDirectory) {
    EXPECT_EQ(Join("C:\\TC", "D:\\cfg\\wincmd.ini"), "D:\\cfg\\wincmd.ini");
    EXPECT_EQ(Join("C:\\TC", "\\\\srv\\share\\wincmd.ini"), "\\\\srv\\share\\wincmd.ini");
    // A single backslash is relative to the drive, not absolute here.
    EXPECT_EQ(Join("C:\\TC", "\\wincmd.ini"), "C:\\TC\\wincmd.ini");
}

// Absolute or not is decided on the expanded name before its leading '.' is
// dropped: what is left after the dot is appended even where it would count
// as absolute on its own.
TEST(IniLocation, TheTestLooksAtTheNameBeforeItsDotIsDropped) {
    EXPECT_EQ(Join("C:\\TC", ".\\\\srv\\share\\wincmd.ini"), "C:\\TC\\\\srv\\share\\wincmd.ini");
    EXPECT_EQ(Join("C:\\TC", ".D:\\cfg\\wincmd.ini"), "C:\\TCD:\\cfg\\wincmd.ini");
    EXPECT_EQ(Join("C:\\TC", "..\\wincmd.ini"), "C:\\TC.\\wincmd.ini");
}

TEST(IniLocation, AJoinThatDoesNotFitLeavesNothing) {
    std::string dir = "C:\\" + std::string(200, 'd');
    std::string name = "\\" + std::string(55, 'n');  // 259 together: fits
    EXPECT_EQ(Join(dir, name), dir + name);
    EXPECT_EQ(Join(dir, name + "x"), "");
    PathBuffer location = "C:\\TC";
    EXPECT_FALSE(JoinIniLocation(location, ("D:\\" + std::string(257, 'x')).c_str()));
    EXPECT_STREQ(location, "");
}

TEST(PathExpansion, ExpandsDefinedAndKeepsUndefinedReferences) {
    ScopedVariable root("PROBELET_TEST_ROOT", "C:\\root");
    PathBuffer out;
    ASSERT_TRUE(ExpandPath("%PROBELET_TEST_ROOT%\\a\\%PROBELET_TEST_UNSET%\\a.dll", out));
    EXPECT_STREQ(out, "C:\\root\\a\\%PROBELET_TEST_UNSET%\\a.dll");
}

TEST(PathExpansion, AResultLongerThan259CharactersIsRefusedWhole) {
    ScopedVariable fits("PROBELET_TEST_LONG", std::string(259, 'x'));
    PathBuffer out = "old";
    ASSERT_TRUE(ExpandPath("%PROBELET_TEST_LONG%", out));
    EXPECT_EQ(std::strlen(out), 259u);
    ASSERT_FALSE(ExpandPath("%PROBELET_TEST_LONG%y", out));
    EXPECT_STREQ(out, "");
    EXPECT_EQ(ExpandEnvironment("%PROBELET_TEST_LONG%y").size(), 260u);
}

TEST(PathCopy, TakesAtMost259Characters) {
    PathBuffer out = "old";
    EXPECT_FALSE(CopyPath(std::string(260, 'x'), out));
    EXPECT_STREQ(out, "old");
    EXPECT_TRUE(CopyPath(std::string(259, 'x'), out));
    EXPECT_EQ(out[259], '\0');
}

TEST(PluginLoadPath, ASixtyFourBitProcessLoadsTheWdx64BesideAWdx) {
    testsupport::TempDir dir;
    std::string wdx = dir.Write("a.wdx", "32");
    dir.Write("a.wdx64", "64");
    std::string lone = dir.Write("b.wdx", "32");
    ::CreateDirectoryA((dir.Path() + "\\c.wdx64").c_str(), nullptr);
    std::string upper = dir.Path() + "\\A.WDX";

    EXPECT_EQ(PluginLoadPath(wdx.c_str(), true), wdx + "64");
    EXPECT_EQ(PluginLoadPath(upper.c_str(), true), upper + "64");
    EXPECT_EQ(PluginLoadPath(lone.c_str(), true), lone);
    EXPECT_EQ(PluginLoadPath((dir.Path() + "\\c.wdx").c_str(), true), dir.Path() + "\\c.wdx");
    EXPECT_EQ(PluginLoadPath((wdx + "64").c_str(), true), wdx + "64");
    EXPECT_EQ(PluginLoadPath(wdx.c_str(), false), wdx);
}
