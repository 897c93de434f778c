#include "framework/ListCtrl.h"

namespace fw::listctrl {

int InsertColumn(HWND list, int index, const char* heading, int format) {
    LVCOLUMNA col{};
    col.mask = LVCF_FMT | LVCF_TEXT;
    col.fmt = format;
    col.pszText = const_cast<char*>(heading);
    return static_cast<int>(::SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col)));
}

int InsertItem(HWND list, int index, const char* text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool SetItemText(HWND list, int index, int subItem, const char* text) {
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text);
    return ::SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string GetItemText(HWND list, int index, int subItem) {
    // The control copies at most the buffer's size: grow until the text fits.
    std::string buf(256, '\0');
    for (;;) {
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = &buf[0];
        item.cchTextMax = static_cast<int>(buf.size());
        int n = static_cast<int>(::SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(buf.size()) - 1) {
            buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
            return buf;
        }
        buf.assign(buf.size() * 2, '\0');
    }
}

bool SetItemState(HWND list, int index, UINT state, UINT mask) {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return ::SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

}  // namespace fw::listctrl
