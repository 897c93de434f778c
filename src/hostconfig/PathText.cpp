#include "hostconfig/PathText.h"

#include <cstring>

namespace hostconfig {

bool CopyPath(const std::string& text, PathBuffer& out) {
    if (text.size() >= sizeof out) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

std::string ExpandEnvironment(const char* text) {
    // Asked for the size first: the ANSI call's count is not reliable enough
    // to detect a cut result from a fixed buffer.
    DWORD needed = ::ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed == 0) return text;
    std::string out(needed + 1, '\0');
    if (::ExpandEnvironmentStringsA(text, &out[0], needed + 1) == 0) return text;
    out.resize(std::strlen(out.c_str()));
    return out;
}

bool ExpandPath(const char* text, PathBuffer& out) {
    if (CopyPath(ExpandEnvironment(text), out)) return true;
    out[0] = '\0';
    return false;
}

size_t FindLastChar(const std::string& text, char c, UINT codePage) {
    size_t found = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == c) {
            found = i;
        } else if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
            ++i;
        }
    }
    return found;
}

std::string MakePluginLabel(const std::string& value, UINT codePage) {
    std::string label = value.substr(0, FindLastChar(value, '.', codePage));
    size_t slash = FindLastChar(label, '\\', codePage);
    return slash == std::string::npos ? label : label.substr(slash + 1);
}

bool JoinIniLocation(PathBuffer& location, const char* expandedName) {
    const char* name = expandedName[0] == '.' ? expandedName + 1 : expandedName;
    bool absolute = expandedName[0] != '\0' &&
                    (expandedName[1] == ':' || (expandedName[0] == '\\' && expandedName[1] == '\\'));
    std::string joined = absolute ? std::string(name) : std::string(location) + name;
    if (CopyPath(joined, location)) return true;
    location[0] = '\0';
    return false;
}

std::string MakeMainTitle(const char* iniPath) { return std::string("Probelet - ") + iniPath; }

std::string PluginLoadPath(const char* pluginPath, bool is64BitProcess) {
    std::string path = pluginPath;
    if (!is64BitProcess || path.size() < 4) return path;
    std::string ext = path.substr(path.size() - 4);
    if (::lstrcmpiA(ext.c_str(), ".wdx") != 0) return path;
    std::string wide = path + "64";
    PathBuffer probe;
    if (!CopyPath(wide, probe)) return path;
    DWORD attributes = ::GetFileAttributesA(probe);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
    return wide;
}

}  // namespace hostconfig
