// CMainFrame: the program's one top-level window. Menu, toolbar and status
// bar around a static splitter with the file list (left) and the inspection
// view (right). It owns the file commands, checks each chosen file before the
// inspection view gets it, and turns the forwarded keys into pane switching
// (Tab) and plugin stepping (Left, Right).
#pragma once

#include "app/FileList.h"
#include "app/PaneSplitter.h"
#include "framework/FrameWindow.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"

#include <memory>

class CWDXView;
namespace fw {
class FileOpenDialog;
}

class CMainFrame : public fw::FrameWindow {
public:
    CMainFrame() = default;
    ~CMainFrame() override;

    // Makes the file list the active view and loads the list file (may be null).
    void OpenFileList(const char* path);
    // Status pane 1 shows the inspection view's INI path.
    void ShowIniPath();

    void RecalcLayout(bool notify = true) override;
    bool OnCmdMsg(UINT id, fw::CmdUI* ui) override;

    CFileList* GetFileList() const { return m_pFileList; }
    CWDXView* GetInspectionView() const { return m_pWDXView; }
    fw::StatusBar& GetStatusBar() { return m_wndStatusBar; }
    fw::ToolBar& GetToolBar() { return m_wndToolBar; }
    CPaneSplitter& GetSplitter() { return m_wndSplitter; }

protected:
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    bool OnCreateClient(CREATESTRUCTA* cs) override;
    bool OnOwnCommand(UINT id, fw::CmdUI* ui) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The views the splitter makes its panes of.
    virtual std::unique_ptr<CFileList> CreateFileList() const;
    virtual std::unique_ptr<CWDXView> CreateInspectionView() const;
    // Runs the Add files dialog: IDOK, or IDCANCEL with `error` set to the
    // dialog's extended error (0 for a plain cancel).
    virtual int RunFileDialog(fw::FileOpenDialog& dialog, DWORD& error);

    int OnCreate(CREATESTRUCTA* cs);
    void OnSetFocus(HWND lost);
    void OnSize(UINT type, int cx, int cy);
    void OnKeyDown(UINT key, UINT repeat, UINT flags);
    void OnAddFiles();
    void OnChangeIniFile();
    void OnClearList();
    LRESULT OnFileSelected(WPARAM wParam, LPARAM lParam);

    CWDXView* m_pWDXView = nullptr;
    CFileList* m_pFileList = nullptr;
    CPaneSplitter m_wndSplitter;
    fw::StatusBar m_wndStatusBar;
    fw::ToolBar m_wndToolBar;
};
