// CVisualStyles against real styles: Wine's own (the fresh prefix's) in this
// process, ours and other Windows versions in child runs.
#include "ThemeFixture.h"

#include "support/TestWindows.h"
#include "theme/VisualStyles.h"

#include <gtest/gtest.h>
#include <vssym32.h>

#include <functional>
#include <string>

using themetest::ChildParameter;
using themetest::RunChildTest;

namespace {

bool operator==(const MARGINS& a, const MARGINS& b) {
    return a.cxLeftWidth == b.cxLeftWidth && a.cxRightWidth == b.cxRightWidth && a.cyTopHeight == b.cyTopHeight &&
           a.cyBottomHeight == b.cyBottomHeight;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

// A window to open theme data for, and the style in force.
class VisualStylesTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<testsupport::RecordingParent>(100, 50);
        CVisualStyles probe;
        ASSERT_TRUE(probe.GetCurrentThemeName(styleFile, MAX_PATH, colorName, MAX_PATH, sizeName, MAX_PATH));
    }
    bool WineStyleActive() const { return Lower(styleFile).find(L"light.msstyles") != std::wstring::npos; }

    std::unique_ptr<testsupport::RecordingParent> window;
    WCHAR styleFile[MAX_PATH] = L"";
    WCHAR colorName[MAX_PATH] = L"";
    WCHAR sizeName[MAX_PATH] = L"";
};

// What a style says about one SPIN part, read through an open binding.
struct SpinPart {
    int part;
    const wchar_t* imageFile;
    int width, height;  // of the loaded strip
    int layout;
    MARGINS margins;
};

void ExpectSpinPart(CVisualStyles& styles, const SpinPart& row) {
    SCOPED_TRACE("part " + std::to_string(row.part));
    int bgType = -1, count = -1, layout = -1;
    ASSERT_TRUE(styles.GetEnumValue(row.part, 0, TMT_BGTYPE, bgType));
    EXPECT_EQ(bgType, BT_IMAGEFILE);
    ASSERT_TRUE(styles.GetInt(row.part, 0, TMT_IMAGECOUNT, count));
    EXPECT_EQ(count, 4);
    ASSERT_TRUE(styles.GetEnumValue(row.part, 0, TMT_IMAGELAYOUT, layout));
    EXPECT_EQ(layout, row.layout);
    MARGINS m{-1, -1, -1, -1};
    ASSERT_TRUE(styles.GetMargins(row.part, 0, TMT_SIZINGMARGINS, m));
    EXPECT_TRUE(m == row.margins) << m.cxLeftWidth << "," << m.cxRightWidth << "," << m.cyTopHeight << ","
                                  << m.cyBottomHeight;
    WCHAR file[MAX_PATH] = L"";
    ASSERT_TRUE(styles.GetFilename(row.part, 0, TMT_IMAGEFILE, file, MAX_PATH));
    EXPECT_EQ(Lower(file), row.imageFile);
    HBITMAP strip = styles.LoadThemeBitmap(file);
    ASSERT_NE(strip, nullptr);
    BITMAP info{};
    ::GetObjectA(strip, sizeof info, &info);
    if (row.width) {
        EXPECT_EQ(info.bmWidth, row.width);
        EXPECT_EQ(info.bmHeight, row.height);
    }
    ::DeleteObject(strip);
}

}  // namespace

TEST_F(VisualStylesTest, WineStyleSpinPartsReadAsTheStyleDefinesThem) {
    ASSERT_TRUE(WineStyleActive()) << "the prefix's own style is not in force";
    const SpinPart rows[] = {
        {SPNP_UPHORZ, L"blue_spin_background_right.bmp", 0, 0, 0, {3, 3, 9, 3}},
        {SPNP_DOWNHORZ, L"blue_spin_background_left.bmp", 0, 0, 0, {4, 2, 9, 3}},
    };
    CVisualStyles styles;
    ASSERT_TRUE(styles.Open(*window, L"SPIN"));
    for (const SpinPart& row : rows) ExpectSpinPart(styles, row);
    // A glyph image Wine's style names only per DPI, not as the glyph image.
    HBITMAP glyph = styles.LoadThemeBitmap(L"blue_spin_glyph_right_6px.bmp");
    EXPECT_NE(glyph, nullptr);
    ::DeleteObject(glyph);
}

TEST(VisualStylesNames, ResourceNameIsThePackersName) {
    const struct {
        const wchar_t* file;
        const char* resource;
    } rows[] = {
        {L"blue_spin_glyph_right_6px.bmp", "BLUE_SPIN_GLYPH_RIGHT_6PX_BMP"},
        {L"Normal\\Arrow.bmp", "NORMAL_ARROW_BMP"},
        {L"a\\b\\c.d.e.bmp", "A_B_C_D_E_BMP"},
        {L"Glyphs/Tab Spin-2.bmp", "GLYPHS_TAB_SPIN_2_BMP"},
        {L"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(CVisualStyles::ResourceName(row.file), row.resource);
}

// Every reader and the bitmap loader answer FALSE or null, without asking
// the library, unless a theme is open; Open only once.
TEST_F(VisualStylesTest, OperationsNeedAnOpenTheme) {
    CVisualStyles styles;
    COLORREF color = 7;
    int value = 7;
    MARGINS margins{7, 7, 7, 7};
    WCHAR file[MAX_PATH] = L"kept";
    const struct {
        const char* name;
        std::function<bool()> call;
    } rows[] = {
        {"GetColor", [&] { return styles.GetColor(SPNP_UPHORZ, 0, TMT_GLYPHTEXTCOLOR, color) != FALSE; }},
        {"GetEnumValue", [&] { return styles.GetEnumValue(SPNP_UPHORZ, 0, TMT_BGTYPE, value) != FALSE; }},
        {"GetInt", [&] { return styles.GetInt(SPNP_UPHORZ, 0, TMT_IMAGECOUNT, value) != FALSE; }},
        {"GetMargins", [&] { return styles.GetMargins(SPNP_UPHORZ, 0, TMT_SIZINGMARGINS, margins) != FALSE; }},
        {"GetFilename", [&] { return styles.GetFilename(SPNP_UPHORZ, 0, TMT_IMAGEFILE, file, MAX_PATH) != FALSE; }},
        {"LoadThemeBitmap", [&] { return styles.LoadThemeBitmap(L"blue_spin_background_right.bmp") != nullptr; }},
    };
    auto expectAllFail = [&](const char* when) {
        for (const auto& row : rows) EXPECT_FALSE(row.call()) << row.name << " " << when;
        EXPECT_EQ(color, 7u);
        EXPECT_EQ(value, 7);
        EXPECT_EQ(margins.cxLeftWidth, 7);
        EXPECT_STREQ(file, L"kept");
    };
    expectAllFail("before Open");
    EXPECT_FALSE(styles.Open(nullptr, L"SPIN"));
    expectAllFail("after Open without a window");
    ASSERT_TRUE(styles.Open(*window, L"SPIN"));
    EXPECT_FALSE(styles.Open(*window, L"SPIN")) << "a second Open";
    EXPECT_TRUE(styles.GetInt(SPNP_UPHORZ, 0, TMT_IMAGECOUNT, value)) << "the first theme stays open";
    EXPECT_EQ(value, 4);
    value = 7;
    styles.Close();
    expectAllFail("after Close");
}

// A property the style lacks: the library call fails, the reader still says
// TRUE, and the caller's preset survives (Wine's SPIN names no glyph image,
// no glyph colours and no alpha level).
TEST_F(VisualStylesTest, FailedLibraryCallsKeepThePresets) {
    ASSERT_TRUE(WineStyleActive());
    CVisualStyles styles;
    ASSERT_TRUE(styles.Open(*window, L"SPIN"));
    const COLORREF kMagenta = RGB(255, 0, 255);
    COLORREF color = kMagenta;
    int value = 12345;
    int enumValue = 12345;
    WCHAR file[MAX_PATH] = L"preset";
    EXPECT_TRUE(styles.GetColor(SPNP_DOWNHORZ, 0, TMT_GLYPHTRANSPARENTCOLOR, color));
    EXPECT_EQ(color, kMagenta);
    EXPECT_TRUE(styles.GetFilename(SPNP_DOWNHORZ, 0, TMT_GLYPHIMAGEFILE, file, MAX_PATH));
    EXPECT_STREQ(file, L"preset");
    EXPECT_TRUE(styles.GetInt(SPNP_DOWNHORZ, 0, TMT_ALPHALEVEL, value));
    EXPECT_EQ(value, 12345);
    EXPECT_TRUE(styles.GetEnumValue(SPNP_DOWNHORZ, 0, TMT_TRUESIZESCALINGTYPE, enumValue));
    EXPECT_EQ(enumValue, 12345);
}

// --- Our style, in a child started with it in force ---

TEST(OurStyle, OpensAndReadsBothStrips) {
    themetest::ActiveStyle style(themetest::OurStylePath(), "ImageGlyph");
    EXPECT_EQ(RunChildTest("OurStyleChild.DISABLED_ReadsBothStrips", {}), 0);
}

TEST(OurStyleChild, DISABLED_ReadsBothStrips) {
    testsupport::RecordingParent window(100, 50);
    CVisualStyles styles;
    ASSERT_TRUE(styles.Open(window, L"SPIN"));
    WCHAR file[MAX_PATH] = L"", color[MAX_PATH] = L"", size[MAX_PATH] = L"";
    ASSERT_TRUE(styles.GetCurrentThemeName(file, MAX_PATH, color, MAX_PATH, size, MAX_PATH));
    EXPECT_NE(Lower(file).find(L"tabstyle.msstyles"), std::wstring::npos);
    EXPECT_STREQ(color, L"ImageGlyph");
    // As make_style.py draws them: 13 x 12 cells, stacked on the left, side by side on the right.
    const SpinPart rows[] = {
        {SPNP_DOWNHORZ, L"tabspin_left.bmp", 13, 48, IL_VERTICAL, {3, 4, 2, 5}},
        {SPNP_UPHORZ, L"tabspin_right.bmp", 52, 12, IL_HORIZONTAL, {2, 3, 4, 3}},
    };
    for (const SpinPart& row : rows) ExpectSpinPart(styles, row);
    WCHAR glyph[MAX_PATH] = L"";
    ASSERT_TRUE(styles.GetFilename(SPNP_DOWNHORZ, 0, TMT_GLYPHIMAGEFILE, glyph, MAX_PATH));
    EXPECT_STREQ(glyph, L"Glyphs\\TabSpin.Glyph.bmp");
    HBITMAP bitmap = styles.LoadThemeBitmap(glyph);
    EXPECT_NE(bitmap, nullptr);
    ::DeleteObject(bitmap);
}

// --- The version gate, with the version Wine reports to one program ---

namespace {

// Wine's per-program Windows version, for the life of the object.
class ReportedVersion {
public:
    ReportedVersion(const std::string& exeName, const char* version)
        : m_key("Software\\Wine\\AppDefaults\\" + exeName) {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr) == ERROR_SUCCESS) {
            ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                             static_cast<DWORD>(strlen(version) + 1));
            ::RegCloseKey(key);
        }
    }
    ~ReportedVersion() { ::RegDeleteKeyA(HKEY_CURRENT_USER, m_key.c_str()); }

private:
    std::string m_key;
};

}  // namespace

TEST(VisualStylesVersion, LibraryLoadsFromWindows51On) {
    const struct {
        const char* wineVersion;
        const char* reported;  // major.minor
        bool loads;
    } rows[] = {
        {"win2k", "5.0", false},
        {"winxp", "5.1", true},
        {"win2003", "5.2", true},
        {"win7", "6.1", true},
    };
    testsupport::TempDir dir;
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string copy = dir.Path() + "\\theme_version_probe.exe";
    ASSERT_TRUE(::CopyFileA(self, copy.c_str(), FALSE));
    for (const auto& row : rows) {
        ReportedVersion version("theme_version_probe.exe", row.wineVersion);
        EXPECT_EQ(RunChildTest("VersionChild.DISABLED_LoadsAsTheVersionSays",
                               {{"PROBELET_EXPECT_VERSION", row.reported},
                                {"PROBELET_EXPECT_LIBRARY", row.loads ? "1" : "0"}},
                               copy),
                  0)
            << row.wineVersion;
    }
    ::DeleteFileA(copy.c_str());
}

TEST(VersionChild, DISABLED_LoadsAsTheVersionSays) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ::GetVersionExA(&info);
    EXPECT_EQ(std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion),
              ChildParameter("PROBELET_EXPECT_VERSION"));
    const bool loads = ChildParameter("PROBELET_EXPECT_LIBRARY") == "1";
    EXPECT_EQ(CVisualStyles::IsSupportedVersion() != FALSE, loads);
    // Without the library every operation fails, whatever the system has loaded.
    CVisualStyles styles;
    WCHAR file[MAX_PATH] = L"", color[MAX_PATH] = L"", size[MAX_PATH] = L"";
    EXPECT_EQ(styles.GetCurrentThemeName(file, MAX_PATH, color, MAX_PATH, size, MAX_PATH) != FALSE, loads);
    testsupport::RecordingParent window(100, 50);
    EXPECT_EQ(styles.Open(window, L"SPIN") != FALSE, loads);
}
