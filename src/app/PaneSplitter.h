// CPaneSplitter: the frame's splitter, which ignores presses of the left
// button until the frame has made both panes.
#pragma once

#include "framework/Splitter.h"

class CPaneSplitter : public fw::Splitter {
public:
    BOOL m_bPanesCreated = FALSE;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnLButtonDown(UINT flags, POINT pt);
};
