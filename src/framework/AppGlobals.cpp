#include "framework/AppGlobals.h"

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

}  // namespace fw
