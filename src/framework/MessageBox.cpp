#include "framework/MessageBox.h"

namespace fw {

namespace {
std::string& TitleStore() {
    static std::string title = "Probelet";
    return title;
}
}  // namespace

const std::string& AppTitle() { return TitleStore(); }

void SetAppTitle(std::string title) { TitleStore() = std::move(title); }

int AppMessageBox(const std::string& text, UINT type) {
    HWND owner = ::GetActiveWindow();
    if (owner) {
        // Own the box by the top-level window, as a modal box should be.
        HWND top = ::GetAncestor(owner, GA_ROOT);
        if (top) owner = top;
    }
    return ::MessageBoxA(owner, text.c_str(), AppTitle().c_str(), type | MB_TASKMODAL * (owner == nullptr));
}

}  // namespace fw
