// Codes and errors of the system as probelet-cli's messages write them, and
// the few system chores its parts share.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace cli {

// "0x%08X": exception codes and process exit codes.
std::string Hex(DWORD code);
// The system's own text for error, trimmed of its line end and full stop;
// "unknown error" when it has none. Inserts ("%1") are left as they stand.
std::string SystemMessage(DWORD error);
// An address as "module+0xOFFSET" (the module's file name), or "0x..." outside
// every module. The buffer form allocates nothing, for a process going down.
void AddressText(uintptr_t address, char* out, size_t size);
std::string AddressText(uintptr_t address);
// The folder of the running program: where the host programs lie.
std::wstring ProgramFolder();
// The file made anew with bytes; false with the system's error, and no file
// left half written.
bool WriteWhole(const std::wstring& path, const std::string& bytes, DWORD& error);
// A scratch folder of ours and everything in it, read-only files too; true
// when it is gone. What something still holds open stays, and the folder with it.
bool RemoveTree(const std::wstring& folder);

}  // namespace cli
