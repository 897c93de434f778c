#include "framework/Dialog.h"

#include "framework/AppGlobals.h"

namespace fw {

INT_PTR Dialog::DoModal() {
    HWND owner = m_parent ? m_parent : GetMainWindow();
    return ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(INT_PTR result) {
    if (IsCreated()) ::EndDialog(GetHwnd(), result);
}

// The object attaches itself here and from then on sees the dialog's messages
// in WindowProc; the dialog procedure has nothing else to do.
INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->SubclassWindow(hwnd);
    return dialog->OnInitDialog() ? TRUE : FALSE;
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return 0;
        }
    }
    return Window::WindowProc(msg, wParam, lParam);
}

}  // namespace fw
