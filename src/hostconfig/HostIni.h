// Where the host keeps its INI file: its registry key, read only.
#pragma once

#include "hostconfig/PathText.h"

#include <windows.h>

namespace hostconfig {

extern const char kHostKey[];        // "Software\Ghisler\Total Commander"
extern const char kDefaultIniName[]; // "%WINDIR%\wincmd.ini"

// Reads a value as raw bytes, whatever its registry type, as text into out.
// A value that does not fit in out with a terminator cannot be read; out is
// only written on success.
bool ReadRegistryText(HKEY key, const char* name, PathBuffer& out);

// Sets a variable in this process's environment unless it is already set
// (to anything, even an empty text).
void SetVariableIfMissing(const char* name, const char* value);

// 1 when the host key opened under root, else 0. location (empty on entry)
// then holds the joined INI location, or stays as it was without "InstallDir".
// Sets COMMANDER_PATH from "InstallDir" before anything is expanded, since
// the host's own settings refer to it.
int ReadHostIniLocation(HKEY root, PathBuffer& location);

// Fills iniPath with the host's existing INI file: true when found, else
// false with iniPath empty. Sets COMMANDER_INI to it when found.
bool FindHostIni(PathBuffer& iniPath);

}  // namespace hostconfig
