#include "framework/ToolTipCtrl.h"

#include <vector>

namespace fw {

namespace {

// The version-2 record is understood by every comctl32 since 4.70; larger
// sizes are refused by the older ones.
TTTOOLINFOA ToolInfo(HWND owner, UINT_PTR id) {
    TTTOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = id;
    return ti;
}

}  // namespace

bool ToolTipCtrl::Create(HWND parent, DWORD style) {
    if (IsCreated()) return false;
    m_hwnd = ::CreateWindowExA(0, TOOLTIPS_CLASSA, "", WS_POPUP | style, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr, ::GetModuleHandleA(nullptr),
                               nullptr);
    return m_hwnd != nullptr;
}

void ToolTipCtrl::DestroyWindow() {
    if (IsCreated()) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

bool ToolTipCtrl::AddTool(HWND owner, UINT_PTR id, const char* text, const RECT& area) {
    TTTOOLINFOA ti = ToolInfo(owner, id);
    ti.rect = area;
    ti.lpszText = const_cast<char*>(text ? text : "");
    return Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

void ToolTipCtrl::DelTool(HWND owner, UINT_PTR id) {
    TTTOOLINFOA ti = ToolInfo(owner, id);
    Send(TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void ToolTipCtrl::SetToolRect(HWND owner, UINT_PTR id, const RECT& area) {
    TTTOOLINFOA ti = ToolInfo(owner, id);
    ti.rect = area;
    Send(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
}

bool ToolTipCtrl::HasTool(HWND owner, UINT_PTR id) const {
    TTTOOLINFOA ti = ToolInfo(owner, id);
    return Send(TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)) != 0;
}

std::string ToolTipCtrl::GetText(HWND owner, UINT_PTR id) const {
    // Large enough for any tip text the control keeps (INFOTIPSIZE).
    std::vector<wchar_t> buf(1024 + 1, L'\0');
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = owner;
    ti.uId = id;
    ti.lpszText = buf.data();
    Send(TTM_GETTEXTW, buf.size(), reinterpret_cast<LPARAM>(&ti));
    buf.back() = L'\0';
    int n = ::WideCharToMultiByte(CP_ACP, 0, buf.data(), -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, buf.data(), -1, &s[0], n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n) - 1);
    return s;
}

}  // namespace fw
