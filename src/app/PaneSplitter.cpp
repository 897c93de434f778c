#include "app/PaneSplitter.h"

#include <windowsx.h>

void CPaneSplitter::OnLButtonDown(UINT flags, POINT pt) {
    if (m_bPanesCreated) fw::Splitter::OnLButtonDown(flags, pt);
}

LRESULT CPaneSplitter::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_LBUTTONDOWN) {
        OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    return fw::Splitter::WindowProc(msg, wParam, lParam);
}
