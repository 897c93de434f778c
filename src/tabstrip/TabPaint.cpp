// Painting: tab shapes, arrow glyphs, the strip composed off screen.
#include "tabstrip/CustomTabCtrl.h"

int CTabEntry::GetOutlinePoints(const RECT& shape, POINT (&points)[4]) const { return 0; }
void CTabEntry::DrawTab(HDC dc, HFONT font) const {}
void CCustomTabCtrl::OnPaint() { fw::PaintDC dc(GetHwnd()); }
BOOL CCustomTabCtrl::OnEraseBkgnd(HDC dc) { return TRUE; }
void CCustomTabCtrl::PaintStrip(HDC dc) {}
void CCustomTabCtrl::DrawArrowGlyph(HDC dc, POINT at, int glyph, int colour) {}
