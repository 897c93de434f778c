// Status bar: the common status bar control with panes given by indicator
// ids. Pane texts come from the string table; pane 0 usually stretches and
// carries command prompts, the others have fixed widths. Indicator panes
// whose command is disabled show no text (CAP, NUM and SCRL follow the keys).
#pragma once

#include "framework/ControlBar.h"
#include "framework/StandardIds.h"

#include <string>
#include <vector>

namespace fw {

struct StatusBarArgs {
    UINT id = IDW_STATUS_BAR;
    DWORD barStyle = kBarAlignBottom | kBarBorderTop;  // kBar bits (ControlBar.h)
    DWORD windowStyle = WS_CHILD | WS_VISIBLE;
};

constexpr UINT kPaneNormal = 0x0000;
constexpr UINT kPaneNoBorders = 0x0100;
constexpr UINT kPanePopout = 0x0200;
constexpr UINT kPaneDisabled = 0x04000000;
constexpr UINT kPaneStretch = 0x08000000;

class StatusBar : public ControlBar {
public:
    // Makes the bar as a child of frame and one of its bars; its first pane
    // shows the frame's messages.
    bool Create(FrameWindow& frame, const StatusBarArgs& args = {});
    // One pane per id; a separator (0) pane starts empty and stretches, the
    // others show their string, which must exist.
    bool SetIndicators(const UINT* ids, int count);
    void SetPaneInfo(int index, UINT id, UINT style, int width);
    UINT GetPaneStyle(int index) const;
    int GetPaneWidth(int index) const;
    bool SetPaneText(int index, const char* text, bool update = true);
    std::string GetPaneText(int index) const;
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    int CommandToIndex(UINT id) const;

    int CalcThickness(int length) override;
    bool IsOutermost() const override { return true; }
    void OnUpdateCmdUI(FrameWindow* target) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    struct Pane {
        UINT id = 0;
        UINT style = kPaneNormal;
        int width = 0;
        std::string text;
    };
    void UpdateParts();
    void ShowPane(int index);
    int TextWidth(const std::string& text) const;

    std::vector<Pane> m_panes;
};

}  // namespace fw
