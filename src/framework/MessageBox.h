// Modal message boxes captioned with the application's title.
#pragma once

#include "framework/AppGlobals.h"

#include <string>

namespace fw {

// Shows text in a modal box owned by the active window of this thread; returns
// the button pressed (IDOK, IDYES, IDNO, ...).
int AppMessageBox(const std::string& text, UINT type = MB_OK);

}  // namespace fw
