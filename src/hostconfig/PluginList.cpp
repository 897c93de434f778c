#include "hostconfig/PluginList.h"

#include <cstdio>

namespace hostconfig {

std::string ReadPluginValue(const char* iniPath, int n) {
    char key[16];
    std::snprintf(key, sizeof key, "%d", n);
    // Whole, however long: a value cut before its expansion names another
    // file, where the expansion may well fit a path block.
    std::string value(MAX_PATH, '\0');
    for (;;) {
        DWORD got = ::GetPrivateProfileStringA("ContentPlugins", key, "", &value[0], static_cast<DWORD>(value.size()),
                                               iniPath);
        if (got + 1 < value.size()) {
            value.resize(got);
            return value;
        }
        value.assign(value.size() * 2, '\0');
    }
}

PluginPathBlock MakePluginPathBlock(const std::string& value) {
    PluginPathBlock block(new char[MAX_PATH]());
    PathBuffer& buffer = *reinterpret_cast<PathBuffer*>(block.get());
    if (!ExpandPath(value.c_str(), buffer)) CopyPath(value.substr(0, MAX_PATH - 1), buffer);
    return block;
}

}  // namespace hostconfig
