// Modal dialog from a dialog template resource. OK and Cancel end it.
#pragma once

#include "framework/Window.h"

namespace fw {

class Dialog : public Window {
public:
    // Without a parent the dialog is owned by the main window.
    explicit Dialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
    // The button that ended the dialog (IDOK, IDCANCEL), or -1 when it could not be shown.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

protected:
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    UINT m_templateId;
    HWND m_parent;
};

}  // namespace fw
