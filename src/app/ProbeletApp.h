// CProbeletApp: start-up (main frame from its resources, shown, list file of
// the first command-line argument loaded, INI path shown) and the About box.
#pragma once

#include "app/MainFrame.h"
#include "framework/Application.h"

#include <memory>

class CProbeletApp : public fw::Application {
public:
    bool InitInstance() override;
    bool OnCmdMsg(UINT id, fw::CmdUI* ui) override;
    void OnAppAbout();

protected:
    virtual std::unique_ptr<CMainFrame> CreateMainFrame() { return std::make_unique<CMainFrame>(); }
    // The first argument after the program's name, or null.
    virtual const char* ListFileArgument() const;
};
