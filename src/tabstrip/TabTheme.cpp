// The visual style's look of the scroll buttons.
#include "tabstrip/CustomTabCtrl.h"

LRESULT CCustomTabCtrl::OnThemeChanged() {
    // Until the style is read the strip is unthemed: classic buttons.
    m_hbmScrollLeft.Reset();
    m_hbmScrollRight.Reset();
    return 0;
}

void CCustomTabCtrl::DrawThemedButton(HDC dc, const RECT& rc, bool rightHand, int image) {}
