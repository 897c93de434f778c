// Static splitter: one row of panes side by side, each pane a view that the
// splitter makes and owns, with a bar between neighbours that the user drags.
#pragma once

#include "framework/StandardIds.h"
#include "framework/ViewClass.h"
#include "framework/Window.h"

#include <memory>
#include <vector>

namespace fw {

class FrameWindow;

class Splitter : public Window {
public:
    static constexpr int kBarWidth = 6;

    // One row only: that is all a static side-by-side split needs.
    bool CreateStatic(HWND parent, int rows, int cols, DWORD style, UINT id);
    // Makes the view of pane (row, col) with an initial width of size.cx;
    // false (and no pane) when the view's window cannot be created.
    bool CreateView(int row, int col, const ViewClass& cls, SIZE size);

    View* GetPane(int row, int col) const;
    static UINT PaneId(int row, int col) { return IDW_PANE_FIRST + row * 16 + col; }
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    // Current width of a column (the last one takes what remains).
    int GetColumnWidth(int col) const;
    void SetColumnInfo(int col, int ideal, int minimum);
    void RecalcLayout();

    // Next / previous pane commands: makes the neighbouring pane the frame's active view.
    bool CanActivateNext() const;
    void ActivateNext(bool previous);

    // The bar to the right of column col, in client coordinates.
    RECT BarRect(int col) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Starts dragging when the press is on a bar.
    void OnLButtonDown(UINT flags, POINT pt);

private:
    struct Column {
        std::unique_ptr<View> view;
        int ideal = 0;
        int minimum = 10;
    };
    int HitBar(POINT pt) const;
    void TrackTo(int x);
    FrameWindow* ParentFrame() const;

    std::vector<Column> m_columns;
    int m_tracking = -1;  // bar being dragged
    int m_grabOffset = 0;
};

}  // namespace fw
