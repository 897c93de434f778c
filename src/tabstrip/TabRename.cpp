// Tooltip relay and in-place label editing.
#include "tabstrip/CustomTabCtrl.h"

bool CCustomTabCtrl::PreTranslateMessage(MSG* msg) { return false; }
int CCustomTabCtrl::BeginRename(int index, BOOL byMouse) { return TSE_OK; }
void CCustomTabCtrl::OnEditorUpdate() {}
void CCustomTabCtrl::PlaceEditor(int x0, int index) {}
