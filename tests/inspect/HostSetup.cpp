#include "HostSetup.h"

#include "inspect/HostIni.h"

namespace hosttest {

ScopedHostKeys::ScopedHostKeys() { Remove(); }
ScopedHostKeys::~ScopedHostKeys() { Remove(); }

void ScopedHostKeys::Remove() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ::RegDeleteTreeA(root, hostconfig::kHostKey);
        // Only when we left it empty: RegDeleteKey refuses a key with subkeys.
        ::RegDeleteKeyA(root, "Software\\Ghisler");
    }
}

void ScopedHostKeys::CreateKey(HKEY root) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, hostconfig::kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        ::RegCloseKey(key);
}

void ScopedHostKeys::SetBytes(HKEY root, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, hostconfig::kHostKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                     static_cast<DWORD>(bytes.size()));
    ::RegCloseKey(key);
}

void ScopedHostKeys::SetString(HKEY root, const char* name, const std::string& value, DWORD type) {
    SetBytes(root, name, type, std::string(value.c_str(), value.size() + 1));
}

void ScopedHostKeys::SetHost(HKEY root, const std::string& installDir, const char* iniFileName) {
    SetString(root, "InstallDir", installDir);
    if (iniFileName) SetString(root, "IniFileName", iniFileName);
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

}  // namespace hosttest
