// Bad host configurations: registry values of every type and of every length
// around the 260-byte buffer, and INI files with many or long plugin values.
#include "hostconfig/HostIni.h"
#include "hostconfig/PathText.h"
#include "inspect/ViewFixture.h"
#include "support/HostSetup.h"

#include <gtest/gtest.h>

#include <string>

using namespace hostconfig;
using testsupport::Variable;

namespace {

const DWORD kTypes[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_LINK,
                        REG_MULTI_SZ, REG_RESOURCE_LIST, REG_FULL_RESOURCE_DESCRIPTOR,
                        REG_RESOURCE_REQUIREMENTS_LIST, REG_QWORD};

// A text of n characters that starts like a path.
std::string Text(const char* start, size_t n) { return (start + std::string(n, 'x')).substr(0, n); }

class RegistrySweep : public ::testing::Test {
protected:
    testsupport::ScopedHostKeys keys;
    testsupport::ScopedEnvironment env{{"COMMANDER_PATH", "COMMANDER_INI"}};
    const std::string defaultIni = ExpandEnvironment(kDefaultIniName);

    std::string Location() {
        PathBuffer location = "";
        EXPECT_EQ(ReadHostIniLocation(HKEY_CURRENT_USER, location), 1);
        return location;
    }
};

// A value is read when its text and a terminator fit in 260 bytes: up to 259
// characters, with or without a terminator of its own, whatever its type. A
// longer one is not read at all, never cut: InstallDir counts as missing (no
// location), IniFileName as missing (the default INI).
TEST_F(RegistrySweep, EveryTypeAndEveryLengthAroundTheBuffer) {
    for (DWORD type : kTypes) {
        for (size_t n : {0, 1, 3, 255, 256, 257, 258, 259, 260, 261, 262, 300, 4096}) {
            for (bool terminated : {true, false}) {
                SCOPED_TRACE(testing::Message() << "type " << type << ", " << n << " characters"
                                                << (terminated ? " and a terminator" : ""));
                const bool readable = n <= 259;
                const std::string dirText = Text("C:\\", n);
                const std::string nameText = Text("D:\\", n);
                auto bytes = [&](const std::string& text) { return terminated ? text + '\0' : text; };

                ::SetEnvironmentVariableA("COMMANDER_PATH", nullptr);
                keys.CreateKey(HKEY_CURRENT_USER);
                ::RegDeleteKeyValueA(HKEY_CURRENT_USER, testsupport::ScopedHostKeys::kKey, "IniFileName");
                ASSERT_TRUE(keys.SetBytes(HKEY_CURRENT_USER, "InstallDir", type, bytes(dirText)));
                EXPECT_EQ(Location(), readable ? defaultIni : "");
                EXPECT_EQ(Variable("COMMANDER_PATH"), readable ? dirText : "<unset>");

                keys.SetString(HKEY_CURRENT_USER, "InstallDir", "C:\\TC");
                ASSERT_TRUE(keys.SetBytes(HKEY_CURRENT_USER, "IniFileName", type, bytes(nameText)));
                const std::string expected = !readable ? defaultIni : n >= 3 ? nameText : "C:\\TC" + nameText;
                EXPECT_EQ(Location(), expected);
            }
        }
    }
}

class IniSweep : public ViewFixture {};

// 1,000 plugins make 1,000 tabs, in key order, each with its label and path.
TEST_F(IniSweep, AThousandPluginsMakeAThousandTabs) {
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i) lines.push_back(std::to_string(i) + "=C:\\plugins\\p" + std::to_string(i) + ".wdx");
    WriteHost(lines);
    Start();
    ASSERT_EQ(view.m_wndTabs.GetTabCount(), 1000);
    EXPECT_EQ(view.GetPathBlockCount(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(TabLabel(i), "p" + std::to_string(i));
        ASSERT_EQ(TabTip(i), "C:\\plugins\\p" + std::to_string(i) + ".wdx");
    }
}

// A path block holds 259 characters. A value that long is kept whole; a longer
// one too when its expansion fits, else the block keeps the value as written,
// cut, and loading it fails with a message naming it. Labels come from the
// whole value, and labels of 29 characters are kept, of 30 refused.
TEST_F(IniSweep, ValuesOfTheLengthsAroundTheBlock) {
    const std::string deep = "C:\\" + std::string(240, 'd') + "\\";
    const std::string v259 = deep + std::string(259 - deep.size() - 4, 'a') + ".wdx";
    const std::string v260 = deep + std::string(260 - deep.size() - 4, 'b') + ".wdx";
    env.Set("COMMANDER_PATH", "C:\\tc");
    const std::string folders = std::string(260 - 17 - 6, 'e');
    const std::string short260 = "%COMMANDER_PATH%\\" + folders + "\\c.wdx";
    const std::string label29 = std::string(29, 'l');
    WriteHost({"0=" + v259, "1=" + v260, "2=" + short260, "3=C:\\p\\" + label29 + ".wdx",
               "4=C:\\p\\" + label29 + "m.wdx", "5=C:\\p\\after.wdx"});
    ASSERT_EQ(v259.size(), 259u);
    ASSERT_EQ(v260.size(), 260u);
    ASSERT_EQ(short260.size(), 260u);
    Start();
    ASSERT_EQ(view.m_wndTabs.GetTabCount(), 4);
    EXPECT_EQ(TabTip(0), v259);
    EXPECT_EQ(TabLabel(0), std::string(259 - deep.size() - 4, 'a'));
    EXPECT_EQ(TabTip(1), v260.substr(0, 259));
    EXPECT_EQ(TabLabel(1), std::string(260 - deep.size() - 4, 'b'));
    EXPECT_EQ(TabTip(2), "C:\\tc\\" + folders + "\\c.wdx");
    EXPECT_EQ(TabLabel(2), "c");
    EXPECT_EQ(TabLabel(3), label29);

    view.m_wndTabs.SelectTab(1);
    view.SetCurrentFile(dir.Write("f.txt", "x").c_str());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_EQ(boxes.Texts()[0].rfind("Error plugin loading " + v260.substr(0, 259) + " (", 0), 0u) << boxes.Texts()[0];
    expectedBoxes = boxes.Texts();
}

}  // namespace
