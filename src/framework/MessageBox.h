// Modal message boxes captioned with the application's title.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

// The title every message box of the program carries. The application sets it
// from its string table at start-up; until then it is "Probelet".
const std::string& AppTitle();
void SetAppTitle(std::string title);

// Shows text in a modal box owned by the active window of this thread; returns
// the button pressed (IDOK, IDYES, IDNO, ...).
int AppMessageBox(const std::string& text, UINT type = MB_OK);

}  // namespace fw
