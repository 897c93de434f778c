// The application object: one per program. It loads the program's title,
// runs InitInstance, then the message loop with accelerator translation and
// idle-time command updates, until the main frame is gone.
#pragma once

#include "framework/CmdUI.h"
#include "framework/FrameWindow.h"

#include <memory>

namespace fw {

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The most recently constructed application object still alive.
    static Application* Current();

    // The whole program: returns the process exit code.
    int Main(HINSTANCE instance, int showCommand);

    // Creates the main frame; false ends the program at once.
    virtual bool InitInstance() { return false; }
    virtual int ExitInstance() { return m_exitCode; }
    int Run();
    // Updates the main frame's bars; true when more idle work is waiting.
    virtual bool OnIdle(long count);
    virtual bool PreTranslateMessage(MSG* msg);
    // The last stop of command routing: Exit.
    virtual bool OnCmdMsg(UINT id, CmdUI* ui);

    FrameWindow* GetMainFrame() const { return m_mainFrame.get(); }
    // Takes the frame as the main frame; its window becomes the main window
    // as soon as it exists.
    void SetMainFrame(std::unique_ptr<FrameWindow> frame) { m_mainFrame = std::move(frame); }

protected:
    std::unique_ptr<FrameWindow> m_mainFrame;
    int m_exitCode = 0;

private:
    static bool IsIdleMessage(const MSG& msg);
    Application* m_previous = nullptr;
};

}  // namespace fw
