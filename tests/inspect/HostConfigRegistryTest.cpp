// Finding the host's INI file through the registry of the test prefix, with
// real files and the real environment of the test process.
#include "support/HostSetup.h"
#include "hostconfig/HostIni.h"
#include "hostconfig/PathText.h"
#include "hostconfig/PluginList.h"
#include "support/TestWindows.h"

#include <gtest/gtest.h>

#include <string>

using namespace hostconfig;
using testsupport::Variable;

namespace {

class HostIni : public ::testing::Test {
protected:
    testsupport::ScopedHostKeys keys;
    testsupport::ScopedEnvironment env{{"COMMANDER_PATH", "COMMANDER_INI", "PROBELET_CFG", "PROBELET_LONG"}};
    testsupport::TempDir dir;

    // The location read from root; "<no key>" when the key did not open.
    std::string Location(HKEY root) {
        PathBuffer location = "";
        return ReadHostIniLocation(root, location) ? std::string(location) : "<no key>";
    }
    std::string Found() {
        PathBuffer ini = "stale";
        bool found = FindHostIni(ini);
        EXPECT_EQ(found, ini[0] != '\0');
        return ini;
    }
};

}  // namespace

TEST_F(HostIni, JoinsInstallDirAndRelativeIniFileName) {
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", ".\\wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "C:\\TC\\wincmd.ini");
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", "wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "C:\\TCwincmd.ini");
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", "D:\\cfg\\wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "D:\\cfg\\wincmd.ini");
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", "\\\\srv\\share\\wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "\\\\srv\\share\\wincmd.ini");
}

TEST_F(HostIni, WithoutIniFileNameTheWindowsDirectoryIsUsed) {
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", nullptr);
    EXPECT_EQ(Location(HKEY_CURRENT_USER), ExpandEnvironment("%WINDIR%\\wincmd.ini"));
}

TEST_F(HostIni, FindsAnExistingIniNextToTheInstallation) {
    std::string ini = dir.Write("wincmd.ini", "[Configuration]\r\n");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\wincmd.ini");
    EXPECT_EQ(Found(), ini);
}

TEST_F(HostIni, NoSeparatorIsAddedSoAPlainNameIsNotFound) {
    dir.Write("wincmd.ini", "[Configuration]\r\n");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), "wincmd.ini");
    EXPECT_EQ(Found(), "");
}

TEST_F(HostIni, AnExpandedDriveLetterPathCountsAsAbsolute) {
    std::string ini = dir.Write("wincmd.ini", "");
    env.Set("PROBELET_CFG", dir.Path());
    keys.SetHost(HKEY_CURRENT_USER, "C:\\nowhere", "%PROBELET_CFG%\\wincmd.ini");
    EXPECT_EQ(Found(), ini);
}

TEST_F(HostIni, AMissingIniOrKeyFindsNothing) {
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "<no key>");
    EXPECT_EQ(Location(HKEY_LOCAL_MACHINE), "<no key>");
    EXPECT_EQ(Found(), "");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\missing.ini");
    EXPECT_EQ(Found(), "");
    EXPECT_EQ(Variable("COMMANDER_INI"), "<unset>");
}

TEST_F(HostIni, TheLocalMachineIsAskedOnlyWithoutAUserKey) {
    std::string ini = dir.Write("wincmd.ini", "");
    keys.SetHost(HKEY_LOCAL_MACHINE, dir.Path(), ".\\wincmd.ini");
    EXPECT_EQ(Found(), ini);

    // A user key without InstallDir opens, so the machine's key is not read.
    keys.CreateKey(HKEY_CURRENT_USER);
    keys.SetString(HKEY_CURRENT_USER, "IniFileName", ini);
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "");
    EXPECT_EQ(Found(), "");
}

TEST_F(HostIni, ADirectoryCountsAsExisting) {
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), "");
    EXPECT_EQ(Found(), dir.Path());
}

TEST_F(HostIni, ValuesAreReadAsRawBytesWhateverTheirType) {
    std::string ini = dir.Write("wincmd.ini", "");
    env.Set("PROBELET_CFG", dir.Path());
    // Without terminator, as binary data.
    keys.SetBytes(HKEY_CURRENT_USER, "InstallDir", REG_BINARY, dir.Path());
    keys.SetString(HKEY_CURRENT_USER, "IniFileName", ".\\wincmd.ini", REG_MULTI_SZ);
    EXPECT_EQ(Found(), ini);
    // Expandable strings are not expanded by the registry but by us.
    keys.SetString(HKEY_CURRENT_USER, "IniFileName", "%PROBELET_CFG%\\wincmd.ini", REG_EXPAND_SZ);
    EXPECT_EQ(Found(), ini);
    // A number's bytes: "AB" and a zero byte.
    keys.SetBytes(HKEY_CURRENT_USER, "IniFileName", REG_DWORD, std::string("AB\0\0", 4));
    EXPECT_EQ(Location(HKEY_CURRENT_USER), dir.Path() + "AB");
}

TEST_F(HostIni, AValueThatFillsAll260BytesWithoutTerminatorCannotBeRead) {
    keys.SetBytes(HKEY_CURRENT_USER, "InstallDir", REG_BINARY, "C:\\" + std::string(257, 'd'));
    keys.SetString(HKEY_CURRENT_USER, "IniFileName", "D:\\wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "");
    EXPECT_EQ(Variable("COMMANDER_PATH"), "<unset>");

    // 259 characters and a terminator still fit.
    std::string longest = "C:\\" + std::string(256, 'd');
    keys.SetString(HKEY_CURRENT_USER, "InstallDir", longest);
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "D:\\wincmd.ini");
    EXPECT_EQ(Variable("COMMANDER_PATH"), longest);

    // An INI name that cannot be read counts as missing.
    keys.SetString(HKEY_CURRENT_USER, "InstallDir", "C:\\TC");
    keys.SetBytes(HKEY_CURRENT_USER, "IniFileName", REG_BINARY, std::string(260, 'n'));
    EXPECT_EQ(Location(HKEY_CURRENT_USER), ExpandEnvironment("%WINDIR%\\wincmd.ini"));
    keys.SetString(HKEY_CURRENT_USER, "IniFileName", std::string(300, 'n'));
    EXPECT_EQ(Location(HKEY_CURRENT_USER), ExpandEnvironment("%WINDIR%\\wincmd.ini"));
}

TEST_F(HostIni, ALocationThatWouldNotFitIsNoLocation) {
    env.Set("PROBELET_LONG", "C:\\" + std::string(260, 'l'));
    keys.SetHost(HKEY_CURRENT_USER, "C:\\TC", "%PROBELET_LONG%\\wincmd.ini");
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "");
    keys.SetHost(HKEY_CURRENT_USER, "C:\\" + std::string(200, 'd'), (".\\" + std::string(60, 'n')).c_str());
    EXPECT_EQ(Location(HKEY_CURRENT_USER), "");
    EXPECT_EQ(Found(), "");

    // The second expansion, of the joined location, may grow past 259 too.
    keys.SetHost(HKEY_CURRENT_USER, "%PROBELET_LONG%", ".\\wincmd.ini");
    EXPECT_EQ(Found(), "");
}

TEST_F(HostIni, SetsTheHostsVariablesWhenMissing) {
    std::string ini = dir.Write("wincmd.ini", "");
    // The host's own settings refer to its installation directory.
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), "%COMMANDER_PATH%\\wincmd.ini");
    EXPECT_EQ(Found(), ini);
    EXPECT_EQ(Variable("COMMANDER_PATH"), dir.Path());
    EXPECT_EQ(Variable("COMMANDER_INI"), ini);
}

TEST_F(HostIni, LeavesVariablesThatAreAlreadySet) {
    std::string ini = dir.Write("wincmd.ini", "");
    env.Set("COMMANDER_PATH", "C:\\theirs");
    env.Set("COMMANDER_INI", "");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\wincmd.ini");
    EXPECT_EQ(Found(), ini);
    EXPECT_EQ(Variable("COMMANDER_PATH"), "C:\\theirs");
    EXPECT_EQ(Variable("COMMANDER_INI"), "");
}

TEST_F(HostIni, PluginsOfARealInstallationResolveInsideIt) {
    // The host writes its plugins relative to its own variables.
    std::string plugin = dir.Write("fileinfo.wdx", "");
    std::string ini = dir.Write("wincmd.ini",
                                "[ContentPlugins]\r\n"
                                "0=%COMMANDER_PATH%\\fileinfo.wdx\r\n"
                                "0_detect=\"MULTIMEDIA\"\r\n"
                                "1=%COMMANDER_INI%\\..\\fileinfo.wdx\r\n");
    keys.SetHost(HKEY_CURRENT_USER, dir.Path(), ".\\wincmd.ini");
    PathBuffer found;
    ASSERT_TRUE(FindHostIni(found));

    PluginPathBlock first = MakePluginPathBlock(ReadPluginValue(found, 0));
    EXPECT_STREQ(first.get(), plugin.c_str());
    EXPECT_NE(::GetFileAttributesA(first.get()), INVALID_FILE_ATTRIBUTES);
    PluginPathBlock second = MakePluginPathBlock(ReadPluginValue(found, 1));
    EXPECT_EQ(std::string(second.get()), ini + "\\..\\fileinfo.wdx");
}

TEST(PluginList, ReadsKeysAsWrittenAndEmptyForMissingOnes) {
    testsupport::TempDir dir;
    std::string ini = dir.Write("wincmd.ini",
                                "[ContentPlugins]\r\n0=C:\\plugins\\size\\size.dll\r\n1=\r\n3=x.wdx\r\n"
                                "[Other]\r\n2=y.wdx\r\n");
    EXPECT_EQ(ReadPluginValue(ini.c_str(), 0), "C:\\plugins\\size\\size.dll");
    EXPECT_EQ(ReadPluginValue(ini.c_str(), 1), "");
    EXPECT_EQ(ReadPluginValue(ini.c_str(), 2), "");
    EXPECT_EQ(ReadPluginValue(ini.c_str(), 3), "x.wdx");
    EXPECT_EQ(ReadPluginValue((dir.Path() + "\\none.ini").c_str(), 0), "");
}

TEST(PluginList, ABlockThatWouldNotFitKeepsTheValueAsWritten) {
    testsupport::ScopedEnvironment env{{"PROBELET_LONG"}};
    env.Set("PROBELET_LONG", std::string(250, 'l'));
    PluginPathBlock block = MakePluginPathBlock("C:\\%PROBELET_LONG%\\plugin.wdx");
    EXPECT_STREQ(block.get(), "C:\\%PROBELET_LONG%\\plugin.wdx");
    block = MakePluginPathBlock("C:\\%PROBELET_LONG%\\a.wdx");
    EXPECT_EQ(std::string(block.get()), "C:\\" + std::string(250, 'l') + "\\a.wdx");
}
