#include "ThemeFixture.h"
#include "plugin/ProcessCounts.h"

#include "support/TestWindows.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace themetest {

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
const char* const kStyleValues[] = {"DllName", "ColorName", "SizeName", "ThemeActive"};

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

std::string OurStylePath() { return testsupport::ExeDir() + "\\tabstyle.msstyles"; }

ActiveStyle::ActiveStyle(const std::string& dllName, const std::string& colorName) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kThemeManager, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return;
    for (const char* name : kStyleValues) {
        char value[MAX_PATH * 2];
        DWORD size = sizeof value, type = 0;
        if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
            type == REG_SZ)
            m_saved[name] = std::string(value);
    }
    const std::map<std::string, std::string> values = {
        {"DllName", dllName}, {"ColorName", colorName}, {"SizeName", "NormalSize"}, {"ThemeActive", "1"}};
    for (const auto& v : values)
        ::RegSetValueExA(key, v.first.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.second.c_str()),
                         static_cast<DWORD>(v.second.size() + 1));
    ::RegCloseKey(key);
}

ActiveStyle::~ActiveStyle() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kThemeManager, 0, KEY_ALL_ACCESS, &key)) return;
    for (const char* name : kStyleValues) {
        auto it = m_saved.find(name);
        if (it == m_saved.end())
            ::RegDeleteValueA(key, name);
        else
            ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(it->second.c_str()),
                             static_cast<DWORD>(it->second.size() + 1));
    }
    ::RegCloseKey(key);
}

int RunChildTest(const std::string& test, const std::map<std::string, std::string>& env, const std::string& exe) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = Quoted(exe.empty() ? self : exe) +
                              " --gtest_also_run_disabled_tests --gtest_brief=1 --gtest_filter=" + test;
    for (const auto& v : env) ::SetEnvironmentVariableA(v.first.c_str(), v.second.c_str());
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    fflush(stdout);
    BOOL started = ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    for (const auto& v : env) ::SetEnvironmentVariableA(v.first.c_str(), nullptr);
    if (!started) return -1;
    DWORD code = static_cast<DWORD>(-2);
    if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    else ::TerminateProcess(pi.hProcess, static_cast<UINT>(-2));
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

std::string ChildParameter(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

DWORD GdiCount() { return static_cast<DWORD>(counts::GdiObjects()); }

std::vector<std::string> LoadedModules() {
    // Every mapped file, not only the loader's list: a style file loaded as
    // data is a mapping the loader does not list.
    std::vector<std::string> files;
    MEMORY_BASIC_INFORMATION info{};
    for (const char* p = nullptr; ::VirtualQuery(p, &info, sizeof info) == sizeof info;
         p = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.BaseAddress != info.AllocationBase || !(info.Type & (MEM_IMAGE | MEM_MAPPED))) continue;
        char name[MAX_PATH * 2];
        if (DWORD n = ::GetMappedFileNameA(::GetCurrentProcess(), info.BaseAddress, name, sizeof name))
            files.emplace_back(name, n);
    }
    std::sort(files.begin(), files.end());
    return files;
}

Canvas::Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_dc = ::CreateCompatibleDC(nullptr);
    m_bitmap = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<const DWORD*>(bits);
    m_old = ::SelectObject(m_dc, m_bitmap);
    HBRUSH brush = ::CreateSolidBrush(fill);
    RECT all{0, 0, width, height};
    ::FillRect(m_dc, &all, brush);
    ::DeleteObject(brush);
}

Canvas::~Canvas() {
    ::SelectObject(m_dc, m_old);
    ::DeleteObject(m_bitmap);
    ::DeleteDC(m_dc);
}

COLORREF Canvas::Pixel(int x, int y) const {
    ::GdiFlush();
    DWORD v = m_bits[y * m_width + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

bool Canvas::Save(const std::string& path) const {
    const int stride = (m_width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> bits(static_cast<size_t>(stride) * m_height);
    for (int y = 0; y < m_height; ++y)
        for (int x = 0; x < m_width; ++x) {
            COLORREF c = Pixel(x, y);
            unsigned char* p = &bits[static_cast<size_t>(m_height - 1 - y) * stride + x * 3];
            p[0] = GetBValue(c);
            p[1] = GetGValue(c);
            p[2] = GetRValue(c);
        }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = m_width;
    info.biHeight = m_height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(&file, sizeof file, 1, f);
    std::fwrite(&info, sizeof info, 1, f);
    std::fwrite(bits.data(), bits.size(), 1, f);
    return std::fclose(f) == 0;
}

std::string TestOutputDir() {
    std::string build = ChildParameter("PROBELET_BUILD_DIR");
    // A Unix path (ctest's) is reached through drive Z:.
    std::string dir = build.empty() ? testsupport::ExeDir() : "Z:" + build;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    dir += "\\test-output";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

}  // namespace themetest
