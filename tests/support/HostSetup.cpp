#include "support/HostSetup.h"

namespace testsupport {

ScopedHostKeys::ScopedHostKeys() { Remove(); }
ScopedHostKeys::~ScopedHostKeys() { Remove(); }

void ScopedHostKeys::Remove() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ::RegDeleteTreeA(root, kKey);
        // Only when we left it empty: RegDeleteKey refuses a key with subkeys.
        ::RegDeleteKeyA(root, "Software\\Ghisler");
    }
}

bool ScopedHostKeys::CreateKey(HKEY root) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

bool ScopedHostKeys::SetBytes(HKEY root, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG result = ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool ScopedHostKeys::SetString(HKEY root, const char* name, const std::string& value, DWORD type) {
    return SetBytes(root, name, type, std::string(value.c_str(), value.size() + 1));
}

bool ScopedHostKeys::SetHost(HKEY root, const std::string& installDir, const char* iniFileName) {
    bool ok = SetString(root, "InstallDir", installDir);
    if (iniFileName) ok = SetString(root, "IniFileName", iniFileName) && ok;
    return ok;
}

HostSetup::HostSetup(const std::string& dir, const std::vector<std::string>& plugins) {
    m_iniPath = dir + "\\wincmd.ini";
    std::string ini = "[ContentPlugins]\r\n";
    for (size_t i = 0; i < plugins.size(); ++i) ini += std::to_string(i) + "=" + plugins[i] + "\r\n";
    HANDLE h = ::CreateFileA(m_iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    BOOL wrote = ::WriteFile(h, ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr);
    ::CloseHandle(h);
    m_ok = wrote && written == ini.size() && m_keys.SetHost(HKEY_CURRENT_USER, dir + "\\", m_iniPath.c_str());
}

std::string HostSetup::Plugin(const std::string& exeDir, const std::string& name) {
    return exeDir + "\\plugins\\" + name + (sizeof(void*) == 8 ? ".wdx64" : ".wdx");
}

ScopedEnvironment::ScopedEnvironment(std::vector<std::string> names) {
    for (auto& name : names) {
        std::string value = Variable(name.c_str());
        bool set = value != "<unset>";
        m_saved.push_back({name, {set, value}});
        ::SetEnvironmentVariableA(name.c_str(), nullptr);
    }
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto& [name, saved] : m_saved)
        ::SetEnvironmentVariableA(name.c_str(), saved.first ? saved.second.c_str() : nullptr);
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
    bool known = false;
    for (auto& entry : m_saved) known = known || entry.first == name;
    if (!known) {
        std::string old = Variable(name.c_str());
        m_saved.push_back({name, {old != "<unset>", old}});
    }
    ::SetEnvironmentVariableA(name.c_str(), value.c_str());
}

std::string Variable(const char* name) {
    ::SetLastError(ERROR_SUCCESS);
    DWORD n = ::GetEnvironmentVariableA(name, nullptr, 0);
    if (n == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return "<unset>";
    std::string value(n + 1, '\0');
    n = ::GetEnvironmentVariableA(name, &value[0], n + 1);
    value.resize(n);
    return value;
}

}  // namespace testsupport
