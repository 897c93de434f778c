// CVisualStyles: the system's visual-style library, bound at run time, and the
// file of the style in force, loaded as a module for the bitmaps it holds.
// Lives for one theme read of the tab strip.
#pragma once

#include "framework/Handles.h"

#include <windows.h>
#include <uxtheme.h>

#include <string>

class CVisualStyles {
public:
    CVisualStyles();
    virtual ~CVisualStyles();
    CVisualStyles(const CVisualStyles&) = delete;
    CVisualStyles& operator=(const CVisualStyles&) = delete;

    // Windows 5.1 (XP) or later, as GetVersionExA reports it.
    static BOOL IsSupportedVersion();

    // Both the theme data and the style file, or neither.
    BOOL Open(HWND hwnd, LPCWSTR classList);
    void Close();
    void Unload();

    // TRUE means only that the library was asked: the library's own result is
    // not looked at, so a caller that needs a default presets the out-value.
    BOOL GetColor(int part, int state, int prop, COLORREF& color) const;
    BOOL GetEnumValue(int part, int state, int prop, int& value) const;
    BOOL GetInt(int part, int state, int prop, int& value) const;
    BOOL GetMargins(int part, int state, int prop, MARGINS& margins) const;
    BOOL GetFilename(int part, int state, int prop, LPWSTR buffer, int chars) const;
    BOOL GetCurrentThemeName(LPWSTR file, int fileChars, LPWSTR color, int colorChars, LPWSTR size,
                             int sizeChars) const;

    // A bitmap of the style file, named by a file-name property; the caller
    // owns it. Null when there is no style file or no such resource.
    HBITMAP LoadThemeBitmap(LPCWSTR fileName) const;

    // The resource name the style packer gives a file: upper case, every
    // character other than a letter or digit an underscore.
    static std::string ResourceName(LPCWSTR fileName);

    // Tests put a library of their own with the same entry points in the
    // system library's place while one of these lives.
    class ScopedLibrary {
    public:
        explicit ScopedLibrary(const char* name);
        ~ScopedLibrary();
        ScopedLibrary(const ScopedLibrary&) = delete;
        ScopedLibrary& operator=(const ScopedLibrary&) = delete;

    private:
        std::string m_name;
        const char* m_previous;
    };

private:
    // Open theme data, closed by the library's CloseThemeData when the holder
    // lets it go (or dropped, should the library lack that entry).
    class ThemeData {
    public:
        using CloseFn = HRESULT(WINAPI*)(HTHEME);
        ThemeData() = default;
        ~ThemeData() { Reset(); }
        ThemeData(const ThemeData&) = delete;
        ThemeData& operator=(const ThemeData&) = delete;
        HTHEME Get() const { return m_theme; }
        explicit operator bool() const { return m_theme != nullptr; }
        void Reset(HTHEME theme = nullptr, CloseFn close = nullptr);

    private:
        HTHEME m_theme = nullptr;
        CloseFn m_close = nullptr;
    };

    // Looked up on every call: the library is the system's, not ours to pin.
    FARPROC Entry(const char* name) const;
    // Calls the library's `entry` (of type Fn) with the open theme and args;
    // FALSE without a theme or without that entry.
    template <class Fn, class... Args>
    BOOL Read(const char* entry, Args... args) const;

    fw::Module m_hUxTheme;
    fw::Module m_hStyleModule;
    ThemeData m_hTheme;  // after the library: closed before the library goes
};
