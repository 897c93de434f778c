#include "framework/ControlBar.h"

#include "framework/FrameWindow.h"

namespace fw {

void ControlBar::SetDockSide(DWORD side) {
    side &= kBarAlignAny;
    if (!side) return;
    m_barStyle = (m_barStyle & ~kBarAlignAny) | side;
}

FrameWindow* ControlBar::ParentFrame() const {
    return dynamic_cast<FrameWindow*>(FromHandle(GetParent()));
}

}  // namespace fw
