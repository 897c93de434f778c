#include "app/MainFrame.h"

#include "framework/FileOpenDialog.h"
#include "framework/MessageBox.h"
#include "inspect/WDXView.h"
#include "res/resource.h"

#include <iterator>
#include <string>

namespace {

const char kMainWindowClass[] = "ProbeletMainWindowClass";
constexpr size_t kFileDialogBuffer = 26000;
constexpr int kIniPaneWidth = 300;

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_INI, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                            ID_INDICATOR_SCRL};

}  // namespace

CMainFrame::~CMainFrame() {
    // Bars, splitter and views must go while the frame is still whole: their
    // windows send the frame messages on the way out.
    if (IsCreated()) DestroyWindow();
}

std::unique_ptr<CFileList> CMainFrame::CreateFileList() const { return std::make_unique<CFileList>(); }

std::unique_ptr<CWDXView> CMainFrame::CreateInspectionView() const { return std::make_unique<CWDXView>(); }

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    if (!fw::FrameWindow::PreCreateWindow(cs)) return false;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ::DefWindowProcA;
    wc.hInstance = instance;
    wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROBELET));
    wc.lpszClassName = kMainWindowClass;
    fw::RegisterWindowClass(wc);
    cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
    cs.lpszClass = kMainWindowClass;
    return true;
}

bool CMainFrame::OnCreateClient(CREATESTRUCTA* cs) {
    fw::SplitterArgs splitter;
    splitter.frame = this;
    splitter.columns = 2;
    if (!m_wndSplitter.Create(splitter)) return false;
    RECT rc = GetClientRect();
    m_pFileList = m_wndSplitter.CreateView(0, 0, CreateFileList(), SIZE{rc.right / 4 - rc.left, 0});
    m_pWDXView = m_wndSplitter.CreateView(0, 1, CreateInspectionView(), SIZE{400, 0});
    m_wndSplitter.m_bPanesCreated = TRUE;
    // Everything after creation works on both panes: a frame with one missing is not made.
    if (!m_pFileList || !m_pWDXView) return false;
    // A shared resource cursor: the strip keeps copies, nobody destroys this one.
    m_pWDXView->SetDragCursor(::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_TABDRAG)));
    return fw::FrameWindow::OnCreateClient(cs);
}

int CMainFrame::OnCreate(CREATESTRUCTA* cs) {
    if (fw::FrameWindow::OnCreate(cs) == -1) return -1;
    fw::ToolBarArgs toolbar;
    toolbar.barStyle = fw::kBarGripper | fw::kBarAlignTop | fw::kBarBorderBottom | fw::kBarFlyBy | fw::kBarTooltips |
                       fw::kBarSizeDynamic;
    if (!m_wndToolBar.Create(*this, toolbar) || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) return -1;
    fw::StatusBarArgs status;
    status.barStyle = fw::kBarAlignBottom | fw::kBarBorderTop;
    if (!m_wndStatusBar.Create(*this, status) ||
        !m_wndStatusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
        return -1;
    m_wndStatusBar.SetPaneInfo(1, ID_INDICATOR_INI, fw::kPaneNormal, kIniPaneWidth);
    m_wndToolBar.EnableDocking(fw::kBarAlignAny);
    EnableDocking(fw::kBarAlignAny);
    DockControlBar(&m_wndToolBar);
    return 0;
}

void CMainFrame::RecalcLayout(bool notify) {
    if (m_pWDXView) m_pWDXView->LayoutChildren();
    fw::FrameWindow::RecalcLayout(notify);
}

bool CMainFrame::OnCmdMsg(UINT id, fw::CmdUI* ui) {
    if (m_pWDXView && m_pWDXView->OnCmdMsg(id, ui)) return true;
    return fw::FrameWindow::OnCmdMsg(id, ui);
}

bool CMainFrame::OnOwnCommand(UINT id, fw::CmdUI* ui) {
    switch (id) {
    case ID_ADD_FILES:
        if (!ui) OnAddFiles();
        return true;
    case ID_CHANGE_INI:
        if (!ui) OnChangeIniFile();
        return true;
    case ID_CLEAR_LIST:
        if (!ui) OnClearList();
        return true;
    }
    return fw::FrameWindow::OnOwnCommand(id, ui);
}

void CMainFrame::OpenFileList(const char* path) {
    if (!m_pFileList) return;
    SetActiveView(m_pFileList, true);
    m_pFileList->LoadFileList(path);
}

void CMainFrame::ShowIniPath() {
    if (m_pWDXView && m_wndStatusBar.IsCreated()) m_wndStatusBar.SetPaneText(1, m_pWDXView->m_szIniPath, true);
}

void CMainFrame::OnSetFocus(HWND lost) {
    if (m_pFileList) ::SetFocus(m_pFileList->GetHwnd());
}

void CMainFrame::OnSize(UINT type, int cx, int cy) {
    fw::FrameWindow::OnSize(type, cx, cy);
    RecalcLayout(true);
}

void CMainFrame::OnKeyDown(UINT key, UINT repeat, UINT flags) {
    if (m_pWDXView && m_pFileList) {
        switch (key) {
        case VK_LEFT:
            m_pWDXView->PreviousPlugin();
            break;
        case VK_RIGHT:
            m_pWDXView->NextPlugin();
            break;
        case VK_TAB:
            if (GetActiveView() == m_pFileList)
                SetActiveView(m_pWDXView, true);
            else
                SetActiveView(m_pFileList, true);
            break;
        }
    }
    Default(WM_KEYDOWN, key, MAKELPARAM(repeat, flags));
}

LRESULT CMainFrame::OnFileSelected(WPARAM, LPARAM) {
    if (!m_pFileList || !m_pWDXView) return 0;
    char path[MAX_PATH];
    m_pFileList->GetSelectedPath(path);
    if (::GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        std::string question = std::string("Cannot open file ") + path + ". Delete it from list?";
        if (fw::AppMessageBox(question, MB_YESNO) == IDYES) m_pFileList->DeleteItem(m_pFileList->GetSelectedIndex());
        return 0;
    }
    const BOOL taken = m_pWDXView->SetCurrentFile(path);
    // The title holds the whole path, however long. A file selected while
    // this inspection ran (inside a plugin's message loop) has the last word.
    SetText((std::string("Probelet - ") + (taken ? m_pWDXView->RequestedFile() : path)).c_str());
    SetActiveView(m_pFileList, true);
    return 0;
}

void CMainFrame::OnAddFiles() {
    if (!m_pFileList) return;
    fw::FileOpenDialog dialog(OFN_EXPLORER | OFN_ALLOWMULTISELECT, kFileDialogBuffer);
    int selected = m_pFileList->GetSelectedIndex();
    // A selected text too long for the buffer would not be a usable name: the dialog then starts empty.
    dialog.SetInitialName(selected >= 0 ? m_pFileList->GetItemText(selected, 0) : std::string());
    DWORD error = 0;
    if (RunFileDialog(dialog, error) == IDOK) {
        int n = m_pFileList->GetItemCount();
        for (const std::string& path : dialog.GetPathNames()) m_pFileList->InsertItem(n++, path.c_str());
        if (m_pFileList->GetSelectedIndex() == -1) m_pFileList->SelectItem(0);
    } else if (error == FNERR_BUFFERTOOSMALL) {
        fw::AppMessageBox("Too many files selected", MB_OK);
    }
}

int CMainFrame::RunFileDialog(fw::FileOpenDialog& dialog, DWORD& error) {
    int result = dialog.DoModal();
    error = dialog.ExtendedError();
    return result;
}

void CMainFrame::OnChangeIniFile() {}

void CMainFrame::OnClearList() {
    if (m_pFileList) m_pFileList->DeleteAllItems();
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_FILESELECTED:
        return OnFileSelected(wParam, lParam);
    case WM_CLOSE:
        // Closing now would destroy the view under a plugin call (a plugin's
        // own box is up): the view closes the window when the call returns.
        if (m_pWDXView && m_pWDXView->DeferClose()) return 0;
        break;
    }
    return fw::FrameWindow::WindowProc(msg, wParam, lParam);
}
