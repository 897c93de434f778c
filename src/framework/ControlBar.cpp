#include "framework/ControlBar.h"

#include "framework/FrameWindow.h"

namespace fw {

ControlBar::~ControlBar() {
    if (m_frame) m_frame->RemoveControlBar(*this);
}

void ControlBar::JoinFrame(FrameWindow& frame) {
    if (m_frame == &frame) return;
    if (m_frame) m_frame->RemoveControlBar(*this);
    m_frame = &frame;
    frame.AddControlBar(*this);
}

void ControlBar::SetDockSide(DWORD side) {
    side &= kBarAlignAny;
    if (!side) return;
    m_barStyle = (m_barStyle & ~kBarAlignAny) | side;
}

}  // namespace fw
