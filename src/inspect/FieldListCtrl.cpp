#include "inspect/FieldListCtrl.h"

#include "framework/AppGlobals.h"

void CFieldListCtrl::SelectRow(int row) { SetItemState(row, LVIS_SELECTED, LVIS_SELECTED); }

bool CFieldListCtrl::OnReflectedNotify(NMHDR* nm, LRESULT* result) {
    if (nm->code != LVN_KEYDOWN) return false;
    OnKeydown(*reinterpret_cast<const NMLVKEYDOWN*>(nm), result);
    return true;
}

void CFieldListCtrl::OnKeydown(const NMLVKEYDOWN& key, LRESULT* result) {
    // The list still moves its own selection with the key.
    ForwardSteeringKey(key.wVKey);
    *result = 0;
}

bool ForwardSteeringKey(WPARAM key) {
    if (key != VK_TAB && key != VK_LEFT && key != VK_RIGHT) return false;
    if (HWND main = fw::GetMainWindow()) ::SendMessageA(main, WM_KEYDOWN, key, 0);
    return true;
}
