// The state of one command's user interface (menu item, toolbar button, status
// pane), asked of the command targets while the application is idle.
#pragma once

#include <windows.h>

namespace fw {

struct CmdUI {
    UINT id = 0;
    bool enabled = true;
    int check = -1;  // -1: leave the check mark alone; 0 or 1 otherwise

    void Enable(bool on = true) { enabled = on; }
    void SetCheck(bool on) { check = on ? 1 : 0; }
};

// Command targets answer OnCmdMsg(id, ui): with ui null they run the command,
// otherwise they fill in its state; either way they return true when they have
// a handler for it. Commands nobody handles are shown disabled.

}  // namespace fw
