#include "app/ProbeletApp.h"

#include "app/AboutDlg.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

#include <cstdlib>

const char* CProbeletApp::ListFileArgument() const { return __argc > 1 ? __argv[1] : nullptr; }

bool CProbeletApp::InitInstance() {
    std::unique_ptr<CMainFrame> created = CreateMainFrame();
    CMainFrame* frame = created.get();
    SetMainFrame(std::move(created));
    if (!frame || !frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | fw::kFrameAddToTitle)) {
        // Nothing to show and nothing to run on: say so and end.
        m_mainFrame.reset();
        fw::AppMessageBox("Cannot create the main window", MB_OK);
        return false;
    }
    ::ShowWindow(frame->GetHwnd(), SW_SHOW);
    ::UpdateWindow(frame->GetHwnd());
    frame->OpenFileList(ListFileArgument());
    frame->ShowIniPath();
    return true;
}

bool CProbeletApp::OnCmdMsg(UINT id, fw::CmdUI* ui) {
    if (id == ID_APP_ABOUT) {
        if (!ui) OnAppAbout();
        return true;
    }
    return fw::Application::OnCmdMsg(id, ui);
}

void CProbeletApp::OnAppAbout() {
    CAboutDlg about;
    about.DoModal();
}
