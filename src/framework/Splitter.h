// Static splitter: one row of panes side by side, each pane a view that the
// splitter makes and owns, with a bar between neighbours that the user drags.
// It keeps the frame it was made for and gives it to its views.
#pragma once

#include "framework/StandardIds.h"
#include "framework/View.h"
#include "framework/Window.h"

#include <memory>
#include <vector>

namespace fw {

class FrameWindow;

// One row only: that is all a static side-by-side split needs.
struct SplitterArgs {
    FrameWindow* frame = nullptr;  // whose views the panes are; may be null
    HWND parent = nullptr;         // null: the frame's window
    UINT id = IDW_PANE_FIRST;
    int columns = 2;
    DWORD style = WS_CHILD | WS_VISIBLE;
};

class Splitter : public Window {
public:
    static constexpr int kBarWidth = 6;

    bool Create(const SplitterArgs& args);
    // Makes the window of view as pane (row, col) with an initial width of
    // size.cx and keeps it; null (and no pane) when it cannot be created.
    template <class T>
    T* CreateView(int row, int col, std::unique_ptr<T> view, SIZE size) {
        T* made = view.get();
        return AddView(row, col, std::move(view), size) ? made : nullptr;
    }

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
    bool AddView(int row, int col, std::unique_ptr<View> view, SIZE size);
    int HitBar(POINT pt) const;
    void TrackTo(int x);

    FrameWindow* m_frame = nullptr;
    std::vector<Column> m_columns;
    int m_tracking = -1;  // bar being dragged
    int m_grabOffset = 0;
};

}  // namespace fw
