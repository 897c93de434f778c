#include "framework/MessageBox.h"

namespace fw {

namespace {
std::string& TitleStore() {
    static std::string title = "Probelet";
    return title;
}
HWND g_mainWindow = nullptr;
}  // namespace

const std::string& AppTitle() { return TitleStore(); }
void SetAppTitle(std::string title) { TitleStore() = std::move(title); }
HWND GetMainWindow() { return g_mainWindow; }
void SetMainWindow(HWND hwnd) { g_mainWindow = hwnd; }

std::string LoadResourceString(UINT id) {
    char buf[512] = "";
    int n = ::LoadStringA(::GetModuleHandleA(nullptr), id, buf, sizeof buf);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

int AppMessageBox(const std::string& text, UINT type) {
    HWND owner = ::GetActiveWindow();
    if (owner) {
        HWND top = ::GetAncestor(owner, GA_ROOT);
        if (top) owner = top;
    }
    return ::MessageBoxA(owner, text.c_str(), AppTitle().c_str(), owner ? type : type | MB_TASKMODAL);
}

}  // namespace fw
