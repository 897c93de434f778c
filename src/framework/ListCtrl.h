// List-view ("SysListView32") operations, ANSI messages.
//
// ListCtrlOps adds them to any window class, so that a plain control
// (ListCtrl) and a view whose window is a list-view (ListView) share them.
#pragma once

#include "framework/Window.h"

#include <commctrl.h>

#include <string>

namespace fw {

namespace listctrl {
int InsertColumn(HWND list, int index, const char* heading, int format);
int InsertItem(HWND list, int index, const char* text);
bool SetItemText(HWND list, int index, int subItem, const char* text);
std::string GetItemText(HWND list, int index, int subItem);
bool SetItemState(HWND list, int index, UINT state, UINT mask);
}  // namespace listctrl

template <class Base>
class ListCtrlOps : public Base {
public:
    DWORD SetExtendedStyle(DWORD mask, DWORD style) {
        return static_cast<DWORD>(this->Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }
    int InsertColumn(int index, const char* heading, int format = LVCFMT_LEFT) {
        return listctrl::InsertColumn(this->GetHwnd(), index, heading, format);
    }
    bool SetColumnWidth(int column, int width) {
        // The width travels as a 16-bit value: -1 and -2 arrive as 0xFFFF and 0xFFFE.
        return this->Send(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
    }
    int GetColumnWidth(int column) const { return static_cast<int>(this->Send(LVM_GETCOLUMNWIDTH, column)); }

    int InsertItem(int index, const char* text) { return listctrl::InsertItem(this->GetHwnd(), index, text); }
    bool SetItemText(int index, int subItem, const char* text) {
        return listctrl::SetItemText(this->GetHwnd(), index, subItem, text);
    }
    std::string GetItemText(int index, int subItem) const {
        return listctrl::GetItemText(this->GetHwnd(), index, subItem);
    }
    bool DeleteItem(int index) { return this->Send(LVM_DELETEITEM, index) != 0; }
    bool DeleteAllItems() { return this->Send(LVM_DELETEALLITEMS) != 0; }
    int GetItemCount() const { return static_cast<int>(this->Send(LVM_GETITEMCOUNT)); }
    bool SetItemState(int index, UINT state, UINT mask) {
        return listctrl::SetItemState(this->GetHwnd(), index, state, mask);
    }
    UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(this->Send(LVM_GETITEMSTATE, index, mask));
    }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(this->Send(LVM_GETNEXTITEM, start, MAKELPARAM(flags, 0)));
    }
};

// A list-view child control.
class ListCtrl : public ListCtrlOps<Window> {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
        return CreateEx(0, WC_LISTVIEWA, "", style, rect, parent, id);
    }
};

}  // namespace fw
