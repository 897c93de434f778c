// A host configuration for one test: the host's registry key under the
// current user pointing at a wincmd.ini in a temp folder that lists the given
// plugins. The key goes again when the object does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

class HostSetup {
public:
    static constexpr char kKey[] = "Software\\Ghisler\\Total Commander";

    // dir: where wincmd.ini is written; plugins: full paths, keys "0", "1", ...
    HostSetup(const std::string& dir, const std::vector<std::string>& plugins) {
        m_iniPath = dir + "\\wincmd.ini";
        std::string ini = "[ContentPlugins]\r\n";
        for (size_t i = 0; i < plugins.size(); ++i) ini += std::to_string(i) + "=" + plugins[i] + "\r\n";
        HANDLE h = ::CreateFileA(m_iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(h, ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr);
            ::CloseHandle(h);
        }
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) == 0) {
            Set(key, "InstallDir", dir + "\\");
            Set(key, "IniFileName", m_iniPath);
            ::RegCloseKey(key);
            m_ok = true;
        }
    }
    ~HostSetup() {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Ghisler");  // only goes when empty
    }
    HostSetup(const HostSetup&) = delete;
    HostSetup& operator=(const HostSetup&) = delete;

    bool Ok() const { return m_ok; }
    const std::string& IniPath() const { return m_iniPath; }

    // A plugin built with the tests: <exe dir>\plugins\<name>.wdx (.wdx64).
    static std::string Plugin(const std::string& exeDir, const std::string& name) {
        return exeDir + "\\plugins\\" + name + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
    }

private:
    static void Set(HKEY key, const char* name, const std::string& value) {
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>(value.size() + 1));
    }
    std::string m_iniPath;
    bool m_ok = false;
};

}  // namespace testsupport
