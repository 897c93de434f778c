// Mouse and timers: pressing, scrolling with auto-repeat, dragging tabs.
#include "tabstrip/CustomTabCtrl.h"

void CCustomTabCtrl::OnLButtonDown(UINT flags, POINT pt) {}
void CCustomTabCtrl::OnLButtonDblClk(UINT flags, POINT pt) {}
void CCustomTabCtrl::OnLButtonUp(UINT flags, POINT pt) {}
void CCustomTabCtrl::OnRButtonDown(UINT flags, POINT pt) {}
void CCustomTabCtrl::OnMouseMove(UINT flags, POINT pt) {}
LRESULT CCustomTabCtrl::OnMouseLeave() { return 0; }
void CCustomTabCtrl::OnTimer(UINT_PTR id) {}
int CCustomTabCtrl::PressAt(int hit, UINT flags, int x, int y) { return hit; }
