#include "theme/VisualStyles.h"

#include <new>

namespace {

const char* g_library = "UxTheme.dll";

// The entry points' signatures, as the library defines them.
using IsThemeActiveFn = BOOL(WINAPI*)();
using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
using GetThemeColorFn = HRESULT(WINAPI*)(HTHEME, int, int, int, COLORREF*);
using GetThemeIntFn = HRESULT(WINAPI*)(HTHEME, int, int, int, int*);
using GetThemeMarginsFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, int, LPCRECT, MARGINS*);
using GetThemeFilenameFn = HRESULT(WINAPI*)(HTHEME, int, int, int, LPWSTR, int);
using GetCurrentThemeNameFn = HRESULT(WINAPI*)(LPWSTR, int, LPWSTR, int, LPWSTR, int);

template <class Fn>
Fn As(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

const int kPathChars = MAX_PATH;

}  // namespace

void CVisualStyles::ThemeData::Reset(HTHEME theme, CloseFn close) {
    if (m_theme && m_close) m_close(m_theme);
    m_theme = theme;
    m_close = close;
}

CVisualStyles::CVisualStyles() {
    if (IsSupportedVersion()) m_hUxTheme.Reset(::LoadLibraryA(g_library));
}

CVisualStyles::~CVisualStyles() { Unload(); }

BOOL CVisualStyles::IsSupportedVersion() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ::GetVersionExA(&info);  // a failed call leaves 0.0: unsupported
    return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
}

FARPROC CVisualStyles::Entry(const char* name) const {
    return m_hUxTheme ? ::GetProcAddress(m_hUxTheme, name) : nullptr;
}

template <class Fn, class... Args>
BOOL CVisualStyles::Read(const char* entry, Args... args) const {
    if (!m_hTheme) return FALSE;
    const auto fn = As<Fn>(Entry(entry));
    if (!fn) return FALSE;
    fn(m_hTheme.Get(), args...);
    return TRUE;
}

BOOL CVisualStyles::Open(HWND hwnd, LPCWSTR classList) {
    if (!m_hUxTheme || !hwnd || m_hTheme) return FALSE;
    auto isThemeActive = As<IsThemeActiveFn>(Entry("IsThemeActive"));
    if (!isThemeActive || !isThemeActive()) return FALSE;
    auto openThemeData = As<OpenThemeDataFn>(Entry("OpenThemeData"));
    if (!openThemeData) return FALSE;
    m_hTheme.Reset(openThemeData(hwnd, classList), As<ThemeData::CloseFn>(Entry("CloseThemeData")));
    if (!m_hTheme) return FALSE;

    WCHAR file[kPathChars] = L"";
    WCHAR color[kPathChars] = L"";
    WCHAR size[kPathChars] = L"";
    if (GetCurrentThemeName(file, kPathChars, color, kPathChars, size, kPathChars) && file[0]) {
        char path[kPathChars * 2] = "";
        // As data, as the system's library loads it: only its resources are
        // used, and a 32-bit program can read a 64-bit style (Wine's is one).
        if (::WideCharToMultiByte(CP_ACP, 0, file, -1, path, sizeof path, nullptr, nullptr))
            m_hStyleModule.Reset(::LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (m_hStyleModule) return TRUE;
    }
    Close();
    return FALSE;
}

void CVisualStyles::Close() {
    m_hTheme.Reset();
    m_hStyleModule.Reset();
}

void CVisualStyles::Unload() {
    Close();
    m_hUxTheme.Reset();
}

BOOL CVisualStyles::GetColor(int part, int state, int prop, COLORREF& color) const {
    return Read<GetThemeColorFn>("GetThemeColor", part, state, prop, &color);
}

BOOL CVisualStyles::GetEnumValue(int part, int state, int prop, int& value) const {
    return Read<GetThemeIntFn>("GetThemeEnumValue", part, state, prop, &value);
}

BOOL CVisualStyles::GetInt(int part, int state, int prop, int& value) const {
    return Read<GetThemeIntFn>("GetThemeInt", part, state, prop, &value);
}

BOOL CVisualStyles::GetMargins(int part, int state, int prop, MARGINS& margins) const {
    return Read<GetThemeMarginsFn>("GetThemeMargins", HDC{}, part, state, prop, LPCRECT{}, &margins);
}

BOOL CVisualStyles::GetFilename(int part, int state, int prop, LPWSTR buffer, int chars) const {
    return Read<GetThemeFilenameFn>("GetThemeFilename", part, state, prop, buffer, chars);
}

BOOL CVisualStyles::GetCurrentThemeName(LPWSTR file, int fileChars, LPWSTR color, int colorChars, LPWSTR size,
                                        int sizeChars) const {
    auto fn = As<GetCurrentThemeNameFn>(Entry("GetCurrentThemeName"));
    if (!fn) return FALSE;
    fn(file, fileChars, color, colorChars, size, sizeChars);
    return TRUE;
}

std::string CVisualStyles::ResourceName(LPCWSTR fileName) {
    std::string name;
    for (const WCHAR* p = fileName; *p; ++p) {
        WCHAR c = *p;
        if (c >= L'a' && c <= L'z') c = static_cast<WCHAR>(c - L'a' + L'A');
        bool keep = (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
        name += keep ? static_cast<char>(c) : '_';
    }
    return name;
}

HBITMAP CVisualStyles::LoadThemeBitmap(LPCWSTR fileName) const {
    if (!m_hStyleModule || !fileName) return nullptr;
    try {
        return ::LoadBitmapA(m_hStyleModule, ResourceName(fileName).c_str());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

CVisualStyles::ScopedLibrary::ScopedLibrary(const char* name) : m_name(name), m_previous(g_library) {
    g_library = m_name.c_str();
}

CVisualStyles::ScopedLibrary::~ScopedLibrary() { g_library = m_previous; }
