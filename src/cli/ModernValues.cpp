#include "cli/ModernValues.h"

#include "plugin/PluginInterface.h"
#include "plugin/ValueText.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <algorithm>
#include <vector>

namespace cli {

using wdx::kDateTime;
using wdx::kNotSupported;
using wdx::kOnDemand;
using wdx::kWideString;

namespace {

bool IsText(int code) { return code == wdx::kChoice || code == wdx::kString || code == wdx::kFulltext; }

}  // namespace

std::string TypeName(int declaredType) {
    if (declaredType == kDateTime) return "Date and time";
    if (declaredType == kWideString) return "Unicode string";
    if (declaredType >= 0 && declaredType < kDateTime) return wdx::TypeText(declaredType);
    return "Unknown";
}

std::string ValueText(int result, const void* buffer, size_t size) {
    switch (result) {
    case kDateTime: {
        FILETIME utc{};
        std::memcpy(&utc, buffer, size < sizeof utc ? size : sizeof utc);
        FILETIME local{};
        SYSTEMTIME st{};
        // Shown in local time, as a file manager shows it.
        if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &st))
            return "<Invalid date>";
        char text[32];
        std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", st.wYear, st.wMonth, st.wDay, st.wHour,
                      st.wMinute, st.wSecond);
        return text;
    }
    case kWideString:
        return WideToUtf8(static_cast<const wchar_t*>(buffer), size / sizeof(wchar_t));
    case kOnDemand:
        return "<On demand>";
    case kNotSupported:
        return "<Not supported>";
    default: {
        const std::string text = wdx::ValueText(result, buffer, size);
        return IsText(result) ? AnsiToUtf8(text) : text;
    }
    }
}

std::string AnsiToUtf8(const std::string& text) {
    if (text.empty()) return text;
    const int wide = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0) return text;
    std::wstring w(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    return WideToUtf8(w.data(), w.size());
}

std::string WideToUtf8(const wchar_t* text, size_t chars) {
    size_t n = 0;
    while (n < chars && text[n]) ++n;
    if (n == 0) return std::string();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), &out[0], bytes, nullptr, nullptr);
    return out;
}

// The path as ANSI text that names the same file: converted when the code
// page holds every character, else the file system's short name.
std::string Utf8ToAnsiPath(const std::string& utf8) {
    const std::wstring wide = Utf8ToWide(utf8);
    if (wide.empty()) return std::string();
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, nullptr, 0, nullptr, &lossy);
    if (n > 0 && !lossy) {
        std::string out(static_cast<size_t>(n), '\0');
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, &out[0], n, nullptr, nullptr);
        out.resize(static_cast<size_t>(n) - 1);
        return out;
    }
    std::vector<wchar_t> shortName(32768);
    const DWORD len = ::GetShortPathNameW(wide.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
    if (len == 0 || len >= shortName.size()) return std::string();
    // A short name can hold such characters too: '?' in their place would name another file.
    BOOL shortLossy = FALSE;
    const int m = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortName.data(), -1, nullptr, 0, nullptr,
                                        &shortLossy);
    if (m <= 0 || shortLossy) return std::string();
    std::string out(static_cast<size_t>(m), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortName.data(), -1, &out[0], m, nullptr, nullptr);
    out.resize(std::strlen(out.c_str()));
    return out;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &w[0], n);
    return w;
}

}  // namespace cli
