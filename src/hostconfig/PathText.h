// Path texts of the host configuration: every one lives in a 260-byte buffer,
// so each helper here either produces a complete, terminated text that fits or
// reports that it cannot.
#pragma once

#include <windows.h>

#include <string>

namespace hostconfig {

using PathBuffer = char[MAX_PATH];

// Copies text into out when it fits with its terminator; out is untouched otherwise.
bool CopyPath(const std::string& text, PathBuffer& out);

// The text with the references to variables of this process's environment
// expanded (undefined ones stay as written), whatever its length.
std::string ExpandEnvironment(const char* text);

// Expands text into out. A result that would not fit leaves out empty and
// gives false: a cut path names some other file.
bool ExpandPath(const char* text, PathBuffer& out);

// Byte offset of the last c in text, or npos. Steps over double-byte
// characters of the code page, whose trail byte may equal c ('\' in 932).
size_t FindLastChar(const std::string& text, char c, UINT codePage = CP_ACP);

// Tab label of a plugin value as the INI writes it: cut at the last '.',
// then what follows the last '\' of the rest.
std::string MakePluginLabel(const std::string& value, UINT codePage = CP_ACP);

// Puts the host's INI location together from the installation directory
// already in location and the expanded INI name. An absolute name (drive
// letter or "\\") replaces the directory; anything else is appended as it is,
// without a separator, after dropping one leading '.'. A result that does not
// fit empties location and gives false.
bool JoinIniLocation(PathBuffer& location, const char* expandedName);

// "Probelet - " and the INI path, whole.
std::string MakeMainTitle(const char* iniPath);

// The library to load for a plugin path. A 64-bit process cannot load a
// 32-bit library, so there, as the 64-bit host does, "x.wdx" is loaded as
// "x.wdx64" when that file exists.
std::string PluginLoadPath(const char* pluginPath, bool is64BitProcess = sizeof(void*) == 8);

}  // namespace hostconfig
