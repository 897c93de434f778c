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

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<Dialog*>(lParam);
        dialog->SubclassWindow(hwnd);
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = dynamic_cast<Dialog*>(FromHandle(hwnd));
    if (dialog && msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            dialog->OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            dialog->OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace fw
