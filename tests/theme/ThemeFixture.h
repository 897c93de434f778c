// What the visual-style tests share: the prefix's style switched for a child
// run of this program, object and module counts, pixels of a memory bitmap.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace themetest {

// The colour schemes of our test style (tests/theme/style/make_style.py) are
// the variants of its SPIN class; ThemeManager's ColorName picks one.
std::string OurStylePath();  // Windows path of tabstyle.msstyles

// Sets the prefix's active style the way the system keeps it, for the life
// of the object, and puts the values found before back. A process reads the
// style once, when it loads the visual-style library: only programs started
// meanwhile see the change (Wine 8 sends running ones no WM_THEMECHANGED).
class ActiveStyle {
public:
    ActiveStyle(const std::string& dllName, const std::string& colorName);
    ~ActiveStyle();
    ActiveStyle(const ActiveStyle&) = delete;
    ActiveStyle& operator=(const ActiveStyle&) = delete;

private:
    std::map<std::string, std::string> m_saved;  // absent values are not in it
};

// Runs one (disabled) test of this program in a new process with the given
// environment added; its output goes to ours. Returns its exit code.
int RunChildTest(const std::string& test, const std::map<std::string, std::string>& env,
                 const std::string& exe = std::string());

// The environment value a child was given; empty when not set.
std::string ChildParameter(const char* name);

// Live GDI objects of this process; the files it has mapped (modules,
// and modules loaded as data).
DWORD GdiCount();
std::vector<std::string> LoadedModules();

// A 32-bit top-down DIB section in a memory DC: exact colours to compare.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC Dc() const { return m_dc; }
    COLORREF Pixel(int x, int y) const;
    // Saves the canvas as a 24-bit BMP file.
    bool Save(const std::string& path) const;

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    const DWORD* m_bits = nullptr;
};

// The build tree's test-output folder (created on demand), as a Windows path.
std::string TestOutputDir();

}  // namespace themetest
