#include "inspect/PluginList.h"

#include <cstdio>

namespace hostconfig {

std::string ReadPluginValue(const char* iniPath, int n) {
    char key[16];
    std::snprintf(key, sizeof key, "%d", n);
    PathBuffer value = "";
    ::GetPrivateProfileStringA("ContentPlugins", key, "", value, sizeof value, iniPath);
    return value;
}

PluginPathBlock MakePluginPathBlock(const std::string& value) {
    PluginPathBlock block(new char[MAX_PATH]());
    PathBuffer& buffer = *reinterpret_cast<PathBuffer*>(block.get());
    if (!ExpandPath(value.c_str(), buffer)) CopyPath(value.substr(0, MAX_PATH - 1), buffer);
    return block;
}

}  // namespace hostconfig
