#include "framework/MessageBox.h"

namespace fw {

int AppMessageBox(const std::string& text, UINT type) {
    HWND owner = ::GetActiveWindow();
    if (owner) {
        HWND top = ::GetAncestor(owner, GA_ROOT);
        if (top) owner = top;
    }
    return ::MessageBoxA(owner, text.c_str(), AppTitle().c_str(), owner ? type : type | MB_TASKMODAL);
}

}  // namespace fw
