#include "hostconfig/HostIni.h"

#include <cstring>
#include <memory>
#include <type_traits>

namespace hostconfig {

const char kHostKey[] = "Software\\Ghisler\\Total Commander";
const char kDefaultIniName[] = "%WINDIR%\\wincmd.ini";

namespace {
struct CloseKey { void operator()(HKEY h) const { ::RegCloseKey(h); } };
using RegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, CloseKey>;
}  // namespace

bool ReadRegistryText(HKEY key, const char* name, PathBuffer& out) {
    PathBuffer raw;
    DWORD size = sizeof raw;
    if (::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(raw), &size) != ERROR_SUCCESS)
        return false;
    // Raw bytes need not end in a terminator; one that would not fit means
    // the text is longer than any path we can hold.
    if (!std::memchr(raw, '\0', size)) {
        if (size >= sizeof raw) return false;
        raw[size] = '\0';
    }
    std::memcpy(out, raw, std::strlen(raw) + 1);
    return true;
}

void SetVariableIfMissing(const char* name, const char* value) {
    ::SetLastError(ERROR_SUCCESS);
    if (::GetEnvironmentVariableA(name, nullptr, 0) == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        ::SetEnvironmentVariableA(name, value);
}

int ReadHostIniLocation(HKEY root, PathBuffer& location) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(root, kHostKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return 0;
    RegKey key(opened);
    if (!ReadRegistryText(key.get(), "InstallDir", location)) return 1;
    SetVariableIfMissing("COMMANDER_PATH", location);

    PathBuffer name;
    PathBuffer expanded;
    bool fits = ReadRegistryText(key.get(), "IniFileName", name) ? ExpandPath(name, expanded)
                                                            : ExpandPath(kDefaultIniName, expanded);
    // A location we cannot hold whole cannot name the INI file.
    if (!fits) {
        location[0] = '\0';
        return 1;
    }
    JoinIniLocation(location, expanded);
    return 1;
}

bool FindHostIni(PathBuffer& iniPath) {
    iniPath[0] = '\0';
    PathBuffer location = "";
    if (!ReadHostIniLocation(HKEY_CURRENT_USER, location)) ReadHostIniLocation(HKEY_LOCAL_MACHINE, location);
    if (!location[0]) return false;
    if (!ExpandPath(location, iniPath)) return false;
    if (::GetFileAttributesA(iniPath) == INVALID_FILE_ATTRIBUTES) {
        iniPath[0] = '\0';
        return false;
    }
    SetVariableIfMissing("COMMANDER_INI", iniPath);
    return true;
}

}  // namespace hostconfig
