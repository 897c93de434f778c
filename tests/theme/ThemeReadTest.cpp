// The tab strip's theme read and themed button faces, each in a child run of
// this program started with the style under test in force.
#include "ThemeFixture.h"

#include "support/TestWindows.h"
#include "tabstrip/CustomTabCtrl.h"
#include "theme/VisualStyles.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using themetest::ChildParameter;
using themetest::RunChildTest;

namespace {

// The colours make_style.py gives the glyph images and glyph texts.
const COLORREF kImageGlyphColors[4] = {RGB(0x20, 0x40, 0x80), RGB(0x00, 0x80, 0x00), RGB(0x80, 0x00, 0x00),
                                       RGB(0x80, 0x80, 0x80)};
const COLORREF kTextGlyphColors[3] = {RGB(0x11, 0x22, 0x33), RGB(0x44, 0x55, 0x66), RGB(0x77, 0x88, 0x99)};

enum class Outcome { Classic, ImageGlyph, FontGlyph };

// One row per way the read can end. scheme null: the prefix's own style
// (Wine's); missingEntry: a stand-in library without that entry point.
struct ReadCase {
    const char* name;
    const char* scheme;
    const char* missingEntry;
    Outcome outcome;
};

const ReadCase kReadCases[] = {
    {"our style, image glyph", "ImageGlyph", nullptr, Outcome::ImageGlyph},
    {"our style, font glyph", "FontGlyph", nullptr, Outcome::FontGlyph},
    {"Wine's style names no glyph image", nullptr, nullptr, Outcome::Classic},
    {"background not an image", "BorderFill", nullptr, Outcome::Classic},
    {"five images", "FiveImages", nullptr, Outcome::Classic},
    {"image file without a bitmap", "MissingImage", nullptr, Outcome::Classic},
    {"no glyph image", "NoGlyphImage", nullptr, Outcome::Classic},
    {"glyph type none", "NoGlyphType", nullptr, Outcome::Classic},
    {"a glyph quarter without a glyph pixel", "EmptyQuarter", nullptr, Outcome::Classic},
    {"no IsThemeActive", "ImageGlyph", "IsThemeActive", Outcome::Classic},
    {"no OpenThemeData", "ImageGlyph", "OpenThemeData", Outcome::Classic},
    {"no GetCurrentThemeName", "ImageGlyph", "GetCurrentThemeName", Outcome::Classic},
    {"no GetThemeEnumValue", "ImageGlyph", "GetThemeEnumValue", Outcome::Classic},
    {"no GetThemeInt", "ImageGlyph", "GetThemeInt", Outcome::Classic},
    {"no GetThemeFilename", "ImageGlyph", "GetThemeFilename", Outcome::Classic},
    {"no GetThemeMargins", "ImageGlyph", "GetThemeMargins", Outcome::Classic},
    {"no GetThemeColor", "ImageGlyph", "GetThemeColor", Outcome::Classic},
};

// Starts the child test with the scheme in force (or the prefix's own style).
int RunInStyle(const char* scheme, const std::string& test, const std::map<std::string, std::string>& env = {}) {
    std::unique_ptr<themetest::ActiveStyle> style;
    if (scheme) style = std::make_unique<themetest::ActiveStyle>(themetest::OurStylePath(), scheme);
    return RunChildTest(test, env);
}

// The control's protected theme members, for the tests.
class ThemedTabs : public CCustomTabCtrl {
public:
    using CCustomTabCtrl::DrawThemedButton;
};

// A four-button strip with a few tabs in a parent of its own.
struct Strip {
    explicit Strip(int width = 320, int height = 20) : parent(400, 100) {
        EXPECT_TRUE(tabs.Create(WS_CHILD | WS_VISIBLE | TSS_FOURARROWS, RECT{0, 0, width, height}, parent, 2));
        const char* labels[] = {"fileinfo", "textinfo", "Audio tags", "Image size", "Checksums", "Version"};
        for (const char* label : labels) tabs.InsertTab(tabs.GetTabCount(), label, 0);
        tabs.SelectTab(1);
    }
    testsupport::RecordingParent parent;
    ThemedTabs tabs;
};

}  // namespace

// All or nothing: every failing step leaves classic buttons and frees what
// the read had loaded; the rest theme the buttons with the style's colours.
TEST(ThemeRead, EndsThemedOnlyWhenEveryStepSucceeds) {
    for (size_t i = 0; i < sizeof kReadCases / sizeof kReadCases[0]; ++i) {
        EXPECT_EQ(RunInStyle(kReadCases[i].scheme, "ThemeReadChild.DISABLED_ReadsOneCase",
                             {{"PROBELET_THEME_CASE", std::to_string(i)}}),
                  0)
            << kReadCases[i].name;
    }
}

TEST(ThemeReadChild, DISABLED_ReadsOneCase) {
    const ReadCase& row = kReadCases[std::stoul(ChildParameter("PROBELET_THEME_CASE"))];
    SCOPED_TRACE(row.name);
    std::unique_ptr<CVisualStyles::ScopedLibrary> standIn;
    if (row.missingEntry)
        standIn = std::make_unique<CVisualStyles::ScopedLibrary>(
            (std::string("uxtheme_no_") + row.missingEntry + ".dll").c_str());
    Strip strip;  // attaching reads the style once
    const DWORD gdi = themetest::GdiCount();
    const std::vector<std::string> modules = themetest::LoadedModules();
    ::SendMessageA(strip.tabs, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(themetest::GdiCount(), gdi) << "GDI objects left behind or lost";
    EXPECT_EQ(themetest::LoadedModules(), modules) << "modules left loaded";

    // Either strip kept would theme its buttons: the left one first and
    // previous, the right one next and last.
    for (bool rightHand : {false, true}) {
        const COLORREF kOutside = RGB(1, 2, 3);
        themetest::Canvas canvas(20, 20, kOutside);
        strip.tabs.DrawThemedButton(canvas.Dc(), RECT{0, 0, 20, 20}, rightHand, 0);
        int drawn = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) drawn += canvas.Pixel(x, y) != kOutside;
        EXPECT_EQ(drawn > 0, row.outcome != Outcome::Classic) << (rightHand ? "right" : "left") << " strip";
    }

    const COLORREF* colors = strip.tabs.GetGlyphColors();
    switch (row.outcome) {
    case Outcome::Classic:
        EXPECT_FALSE(strip.tabs.IsThemed());
        break;
    case Outcome::ImageGlyph:
        ASSERT_TRUE(strip.tabs.IsThemed());
        for (int i = 0; i < 4; ++i) EXPECT_EQ(colors[i], kImageGlyphColors[i]) << "state image " << i;
        break;
    case Outcome::FontGlyph:
        ASSERT_TRUE(strip.tabs.IsThemed());
        for (int i = 0; i < 3; ++i) EXPECT_EQ(colors[i], kTextGlyphColors[i]) << "state " << i + 1;
        break;
    }
}

// The nine-grid copy: a button of the cell's size is the cell; a wider or
// taller one keeps the corners and the edges' thickness and stretches only
// the middle pieces, over every source pixel of them in order.
TEST(ThemedButton, IsANineGridCopyOfTheCell) {
    EXPECT_EQ(RunInStyle("ImageGlyph", "ThemedButtonChild.DISABLED_NineGrid"), 0);
}

namespace {

// Our style's cells are 13 x 12; each pixel's colour names its source:
// red 16 x + 8, green 16 y + 8, blue 64 image + 32 (make_style.py).
const int kCellW = 13, kCellH = 12;

struct Source {
    int x, y, image;
    bool valid;
};

Source Decode(COLORREF c) {
    int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return {(r - 8) / 16, (g - 8) / 16, (b - 32) / 64, r % 16 == 8 && g % 16 == 8 && b % 64 == 32};
}

// Source coordinate of each destination coordinate along one axis: the
// margins map one to one, the middle covers every middle source coordinate
// in order.
void ExpectAxis(const std::vector<int>& sources, int cell, int before, int after, const char* axis) {
    const int n = static_cast<int>(sources.size());
    for (int d = 0; d < before; ++d) EXPECT_EQ(sources[d], d) << axis << " " << d;
    for (int d = 0; d < after; ++d) EXPECT_EQ(sources[n - after + d], cell - after + d) << axis << " " << n - after + d;
    int previous = before - 1;
    for (int d = before; d < n - after; ++d) {
        const int s = sources[d];
        EXPECT_TRUE(d == before ? s == before : s == previous || s == previous + 1)
            << axis << " " << d << ": source " << s << " after " << previous;
        previous = s;
    }
    EXPECT_EQ(previous, cell - after - 1) << axis << ": the middle does not end at its last source";
}

}  // namespace

TEST(ThemedButtonChild, DISABLED_NineGrid) {
    const struct {
        bool rightHand;
        int image;
        int width, height;
        MARGINS margins;  // of that strip, as the style defines them
    } rows[] = {
        {false, 0, kCellW, kCellH, {3, 4, 2, 5}},
        {true, 2, kCellW, kCellH, {2, 3, 4, 3}},
        {false, 1, kCellW + 9, kCellH, {3, 4, 2, 5}},
        {true, 3, kCellW, kCellH + 7, {2, 3, 4, 3}},
        {false, 2, kCellW + 6, kCellH + 5, {3, 4, 2, 5}},
        {true, 1, kCellW + 20, kCellH + 11, {2, 3, 4, 3}},
    };
    Strip strip;
    ASSERT_TRUE(strip.tabs.IsThemed());
    const COLORREF kOutside = RGB(1, 2, 3);
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.rightHand ? "right" : "left") + " image " + std::to_string(row.image) + ", " +
                     std::to_string(row.width) + " x " + std::to_string(row.height));
        themetest::Canvas canvas(row.width + 10, row.height + 10, kOutside);
        const RECT rc{5, 4, 5 + row.width, 4 + row.height};
        strip.tabs.DrawThemedButton(canvas.Dc(), rc, row.rightHand, row.image);
        std::vector<int> xs(row.width), ys(row.height);
        for (int y = 0; y < row.height + 10; ++y)
            for (int x = 0; x < row.width + 10; ++x) {
                const COLORREF c = canvas.Pixel(x, y);
                const bool inside = x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom;
                if (!inside) {
                    ASSERT_EQ(c, kOutside) << "drawn outside the button at " << x << "," << y;
                    continue;
                }
                const Source s = Decode(c);
                ASSERT_TRUE(s.valid) << "not a cell pixel at " << x << "," << y;
                ASSERT_EQ(s.image, row.image) << "at " << x << "," << y;
                // A stretch keeps rows (for x) and columns (for y) whole.
                const int dx = x - rc.left, dy = y - rc.top;
                if (dy == 0) xs[dx] = s.x;
                else ASSERT_EQ(s.x, xs[dx]) << "column " << dx << " mixes sources";
                if (dx == 0) ys[dy] = s.y;
                else ASSERT_EQ(s.y, ys[dy]) << "row " << dy << " mixes sources";
            }
        ExpectAxis(xs, kCellW, row.margins.cxLeftWidth, row.margins.cxRightWidth, "x");
        ExpectAxis(ys, kCellH, row.margins.cyTopHeight, row.margins.cyBottomHeight, "y");
    }
}

// From a style to none: WM_THEMECHANGED drops both strips, and the next paint
// draws classic faces with COLOR_BTNTEXT glyphs. Keeps a picture of the strip
// in both looks under test-output/ for a person to compare.
TEST(ThemeSwitch, ToNoStyleGoesClassic) {
    EXPECT_EQ(RunInStyle("ImageGlyph", "ThemeSwitchChild.DISABLED_ToNoStyle"), 0);
}

TEST(ThemeSwitchChild, DISABLED_ToNoStyle) {
    Strip strip;
    ASSERT_TRUE(strip.tabs.IsThemed());
    RECT client{};
    ::GetClientRect(strip.tabs, &client);
    const std::string out = themetest::TestOutputDir();
    {
        themetest::Canvas canvas(client.right, client.bottom, 0);
        strip.tabs.PaintStrip(canvas.Dc());
        EXPECT_TRUE(canvas.Save(out + "\\tabstrip-styled.bmp"));
        for (int i = 0; i < 4; ++i) EXPECT_EQ(strip.tabs.GetGlyphColors()[i], kImageGlyphColors[i]);
    }
    // The system's own switch: Wine's uxtheme then reports no active style.
    using EnableThemingFn = HRESULT(WINAPI*)(BOOL);
    auto enableTheming = reinterpret_cast<EnableThemingFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("uxtheme.dll"), "EnableTheming")));
    ASSERT_NE(enableTheming, nullptr);
    enableTheming(FALSE);
    ::SendMessageA(strip.tabs, WM_THEMECHANGED, 0, 0);
    EXPECT_FALSE(strip.tabs.IsThemed());
    themetest::Canvas canvas(client.right, client.bottom, 0);
    strip.tabs.PaintStrip(canvas.Dc());
    EXPECT_TRUE(canvas.Save(out + "\\tabstrip-classic.bmp"));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(strip.tabs.GetGlyphColors()[i], ::GetSysColor(COLOR_BTNTEXT)) << i;
}

// What a paint keeps (its back buffer, glyphs in the style's colours) follows
// a change of style: after WM_THEMECHANGED the strip paints exactly as one
// made in the new style.
TEST(ThemeSwitch, KeptPaintFollowsTheStyle) {
    EXPECT_EQ(RunInStyle("ImageGlyph", "ThemeSwitchChild.DISABLED_KeptPaintFollows"), 0);
}

TEST(ThemeSwitchChild, DISABLED_KeptPaintFollows) {
    auto enableTheming = reinterpret_cast<HRESULT(WINAPI*)(BOOL)>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("uxtheme.dll"), "EnableTheming")));
    ASSERT_NE(enableTheming, nullptr);
    // Classic first through a library without IsThemeActive: Wine's styling,
    // once switched off, does not come back within a process.
    for (bool classicFirst : {true, false}) {
        SCOPED_TRACE(classicFirst ? "classic to styled" : "styled to classic");
        auto standIn = classicFirst ? std::make_unique<CVisualStyles::ScopedLibrary>("uxtheme_no_IsThemeActive.dll")
                                    : nullptr;
        Strip strip;
        ASSERT_EQ(strip.tabs.IsThemed(), !classicFirst);
        themetest::Canvas kept(320, 20, 0), made(320, 20, 0);
        strip.tabs.PaintStrip(kept.Dc());  // makes what it keeps
        standIn.reset();
        if (!classicFirst) enableTheming(FALSE);
        ::SendMessageA(strip.tabs, WM_THEMECHANGED, 0, 0);
        strip.tabs.PaintStrip(kept.Dc());
        Strip fresh;
        ASSERT_EQ(fresh.tabs.IsThemed(), classicFirst);
        fresh.tabs.PaintStrip(made.Dc());
        int differ = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 320; ++x) differ += kept.Pixel(x, y) != made.Pixel(x, y);
        EXPECT_EQ(differ, 0);
    }
}
