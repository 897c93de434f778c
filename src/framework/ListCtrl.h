// ListCtrl: a report-style list-view control ("SysListView32"), ANSI messages.
#pragma once

#include "framework/Window.h"

#include <commctrl.h>

#include <string>

namespace fw {

class ListCtrl : public Window {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CreateEx(0, WC_LISTVIEWA, "", style, rect, parent, id);
    }

    DWORD SetExtendedStyle(DWORD mask, DWORD style) {
        return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }
    int InsertColumn(int index, const char* heading, int format = LVCFMT_LEFT);
    bool SetColumnWidth(int column, int width) {
        // The width travels as a 16-bit value: -1 and -2 arrive as 0xFFFF and 0xFFFE.
        return Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
    }
    int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }

    int InsertItem(int index, const char* text);
    bool SetItemText(int index, int subItem, const char* text);
    std::string GetItemText(int index, int subItem) const;
    bool DeleteItem(int index) { return Send(LVM_DELETEITEM, index) != 0; }
    bool DeleteAllItems() { return Send(LVM_DELETEALLITEMS) != 0; }
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    bool SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(Send(LVM_GETITEMSTATE, index, mask));
    }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(Send(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
    }
};

}  // namespace fw
