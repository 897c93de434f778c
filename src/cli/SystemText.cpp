#include "cli/SystemText.h"

#include <cstdio>

namespace cli {

std::string Hex(DWORD code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
    return text;
}

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : std::string("unknown error");
    if (text) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

void AddressText(uintptr_t address, char* out, size_t size) {
    if (!size) return;
    HMODULE module = nullptr;
    char path[MAX_PATH];
    DWORD n = 0;
    if (::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCSTR>(address), &module))
        n = ::GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) {
        std::snprintf(out, size, "0x%llX", static_cast<unsigned long long>(address));
        return;
    }
    const char* name = path + n;
    while (name > path && name[-1] != '\\' && name[-1] != '/') --name;
    std::snprintf(out, size, "%s+0x%llX", name,
                  static_cast<unsigned long long>(address - reinterpret_cast<uintptr_t>(module)));
}

std::string AddressText(uintptr_t address) {
    char text[MAX_PATH + 32];
    AddressText(address, text, sizeof text);
    return text;
}

std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD& error) {
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return false;
    }
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                                      written == bytes.size());
    error = ok ? 0 : ::GetLastError();
    ::CloseHandle(h);
    if (!ok) ::DeleteFileW(path.c_str());
    return ok;
}

bool RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    const HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(path.c_str());
            }
        } while (::FindNextFileW(find, &found));
        ::FindClose(find);
    }
    return ::RemoveDirectoryW(folder.c_str()) || ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace cli
