// Codes and errors of the system as probelet-cli's messages write them.
#pragma once

#include <windows.h>

#include <string>

namespace cli {

// "0x%08X": exception codes and process exit codes.
std::string Hex(DWORD code);
// The system's own text for error, trimmed of its line end and full stop;
// "unknown error" when it has none. Inserts ("%1") are left as they stand.
std::string SystemMessage(DWORD error);
// The folder of the running program: where the host programs lie.
std::wstring ProgramFolder();

}  // namespace cli
