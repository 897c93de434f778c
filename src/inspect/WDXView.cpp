#include "inspect/WDXView.h"

#include "framework/AppGlobals.h"
#include "hostconfig/HostIni.h"

#include <algorithm>
#include <cstring>

namespace {

const char* const kColumns[] = {"Field", "Type", "Time(ms)", "Value"};

LOGFONTA TabLabelFont() {
    LOGFONTA font{};
    font.lfHeight = 12;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_CHARACTER_PRECIS;
    font.lfClipPrecision = CLIP_CHARACTER_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    std::strcpy(font.lfFaceName, "Verdana");
    return font;
}

}  // namespace

// The loaded plugin is deliberately kept: it stays until the process ends,
// so its DllMain does not run in the middle of the window's teardown.
CWDXView::~CWDXView() { m_plugin.Abandon(); }

bool CWDXView::Create(const fw::ViewArgs& args) {
    if (!fw::View::Create(args)) return false;
    const RECT empty{};
    m_wndFields.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL, empty, GetHwnd(), kFieldsId);
    m_wndFields.SetExtendedStyle(0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    TabStripArgs tabs;
    tabs.parent = GetHwnd();
    tabs.id = kTabsId;
    tabs.tabStyle = TSS_REORDER | TSS_TIPS;
    m_wndTabs.Create(tabs);
    return true;
}

void CWDXView::OnInitialUpdate() {
    fw::View::OnInitialUpdate();
    LayoutChildren();
    if (m_bInitialized) return;
    m_bInitialized = TRUE;

    for (int i = 0; i < 4; ++i) m_wndFields.InsertColumn(i, kColumns[i], LVCFMT_LEFT);
    for (int i = 0; i < 4; ++i) m_wndFields.SetColumnWidth(i, LVSCW_AUTOSIZE_USEHEADER);
    LoadPluginTabs();
    LOGFONTA font = TabLabelFont();
    m_wndTabs.SetLabelFont(&font, TRUE);
    m_wndTabs.SetReorderCursors(m_dragCursor, nullptr);
    // Without a notification: nothing is inspected before a file is chosen.
    m_wndTabs.SelectTab(0);
}

void CWDXView::OnActivateView(bool activate, fw::View* activated, fw::View* deactivated) {
    fw::View::OnActivateView(activate, activated, deactivated);
    ::SetFocus(m_wndFields);
}

BOOL CWDXView::SetCurrentFile(const char* path) {
    if (m_inspecting) {
        if (!hostconfig::CopyPath(path ? path : "", m_szWaitingFile)) return FALSE;
        m_fileWaiting = true;
        m_requestWaiting = true;
        return TRUE;
    }
    if (!hostconfig::CopyPath(path ? path : "", m_szFile)) return FALSE;
    InspectTab(m_wndTabs.GetSelectedTab());
    return TRUE;
}

// Both steps refuse a position past either end, so there is no wrap-around.
// A step asked for while a run is in progress waits for its end; the strip
// shows it at once.
void CWDXView::NextPlugin() {
    int position = m_wndTabs.GetSelectedTab() + 1;
    InspectTab(position);
    m_wndTabs.SelectTab(position);
}

void CWDXView::PreviousPlugin() {
    int position = m_wndTabs.GetSelectedTab() - 1;
    InspectTab(position);
    m_wndTabs.SelectTab(position);
}

bool CWDXView::DeferClose() {
    m_closeWaiting = m_inspecting;
    return m_closeWaiting;
}

const char* CWDXView::RequestedFile() const { return m_fileWaiting ? m_szWaitingFile : m_szFile; }

// The pixel row between the two children stays the view's own background.
void CWDXView::LayoutChildren() {
    RECT client = GetClientRect();
    int width = client.right;
    int height = client.bottom;
    if (m_wndFields.IsCreated()) m_wndFields.MoveWindow(0, 0, width, std::max(0, height - 21), true);
    if (m_wndTabs.IsCreated()) m_wndTabs.MoveWindow(0, height - 20, width, 20, true);
}

bool CWDXView::IsPluginTab(int position) const {
    DWORD_PTR data = 0;
    return m_wndTabs.GetTabData(position, data) == TSE_OK && data;
}

void CWDXView::InspectTab(int position) {
    if (!IsPluginTab(position)) return;
    if (m_inspecting) {
        m_requestWaiting = true;
        return;
    }
    m_inspecting = true;
    InspectLibrary(position);
    // Whatever was asked meanwhile is shown by the strip and held for the file.
    while (m_requestWaiting && !m_closeWaiting) {
        m_requestWaiting = false;
        if (m_fileWaiting) std::strcpy(m_szFile, m_szWaitingFile);
        m_fileWaiting = false;
        position = m_wndTabs.GetSelectedTab();
        if (IsPluginTab(position)) InspectLibrary(position);
    }
    m_inspecting = false;
    if (m_closeWaiting) {
        m_closeWaiting = false;
        if (HWND main = fw::GetMainWindow()) ::PostMessageA(main, WM_CLOSE, 0, 0);
    }
}

void CWDXView::InspectLibrary(int position) {
    DWORD_PTR data = 0;
    m_wndTabs.GetTabData(position, data);
    std::string library = hostconfig::PluginLoadPath(reinterpret_cast<const char*>(data));
    RunInspection(*this, m_report, library.c_str());
    m_wndFields.SelectRow(0);
}

BOOL CWDXView::FindHostIni() { return hostconfig::FindHostIni(m_szIniPath) ? TRUE : FALSE; }

void CWDXView::LoadPluginTabs() {
    FindHostIni();
    const std::string title = hostconfig::MakeMainTitle(m_szIniPath);
    for (int n = 0;; ++n) {
        // Before every key is read, so once more than there are plugins; the
        // text is the same every time.
        if (HWND main = fw::GetMainWindow()) ::SetWindowTextA(main, title.c_str());
        // Without an INI path the profile functions would read win.ini instead.
        if (!m_szIniPath[0]) return;
        std::string value = hostconfig::ReadPluginValue(m_szIniPath, n);
        if (value.empty()) return;
        hostconfig::PluginPathBlock block = hostconfig::MakePluginPathBlock(value);
        // The key number is the position: once one tab is refused, every later
        // position lies past the end and is refused too, up to the first empty
        // key. A refused plugin's block goes at once.
        if (m_wndTabs.InsertTab(n, hostconfig::MakePluginLabel(value), reinterpret_cast<DWORD_PTR>(block.get())) < 0)
            continue;
        m_wndTabs.SetTabTip(n, block.get());
        m_pathBlocks.push_back(std::move(block));
    }
}

LRESULT CWDXView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DESTROY: {
        LRESULT result = fw::View::WindowProc(msg, wParam, lParam);
        OnDestroy();
        return result;
    }
    case WM_SIZE:
        // Whatever resized the pane (the frame, a splitter drag), the list
        // and the strip follow at once.
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_KEYDOWN:
        if (OnKeyDown(static_cast<UINT>(wParam))) return 0;
        break;
    case WM_NOTIFY: {
        const auto* nm = reinterpret_cast<const NMHDR*>(lParam);
        if (nm && nm->idFrom == kTabsId && nm->code == TSN_SELECT) {
            OnTabSelChange();
            return 0;
        }
        break;
    }
    }
    return fw::View::WindowProc(msg, wParam, lParam);
}

// The strip never reads its data words again; the blocks go with the window.
void CWDXView::OnDestroy() { m_pathBlocks.clear(); }

void CWDXView::OnSize(UINT type, int cx, int cy) {
    if (type != SIZE_MINIMIZED) LayoutChildren();
}

bool CWDXView::OnKeyDown(UINT key) { return ForwardSteeringKey(key); }

void CWDXView::OnTabSelChange() { InspectTab(m_wndTabs.GetSelectedTab()); }
