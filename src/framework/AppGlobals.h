// What the whole program shares: its title (the caption of every message box)
// and its main window (where views and lists send what the frame handles).
#pragma once

#include <windows.h>

#include <string>

namespace fw {

// Set by the application from its string table at start-up; "Probelet" until then.
const std::string& AppTitle();
void SetAppTitle(std::string title);

// The application's main window; null until the application (or a test) sets it.
HWND GetMainWindow();
void SetMainWindow(HWND hwnd);

// A string of the program's string table; empty when there is none.
std::string LoadResourceString(UINT id);

}  // namespace fw
