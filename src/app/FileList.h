// CFileList: the left pane, a one-column list of file paths. Every newly
// selected item is announced to the main window with WM_FILESELECTED; Tab,
// Left and Right are forwarded to it as WM_KEYDOWN.
#pragma once

#include "framework/View.h"

#include <windows.h>

// Sent (not posted) to the main window; wParam: the selected index, lParam: 0.
constexpr UINT WM_FILESELECTED = WM_USER + 100;

class CFileList : public fw::ListView {
public:
    bool Create(const fw::ViewArgs& args) override;
    void OnActivateView(bool activate, fw::View* activated, fw::View* deactivated) override;
    void OnDraw(HDC dc) override {}

    // Fills the list from a text file of paths, one per line, selects the
    // first and tells the main window. A null path does nothing.
    void LoadFileList(const char* path);
    int GetSelectedIndex() const;
    // The selected item's text, cut to MAX_PATH - 1 characters; empty with no selection.
    void GetSelectedPath(char (&buffer)[MAX_PATH]) const;
    int SelectItem(int index);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnReflectedNotify(NMHDR* nm, LRESULT* result) override;

    void OnClick(NMHDR* nm, LRESULT* result);
    void OnItemChanged(NMHDR* nm, LRESULT* result);
    void OnKeydown(const NMLVKEYDOWN& key, LRESULT* result);
    void OnSize(UINT type, int cx, int cy);
};
