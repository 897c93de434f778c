// The visual style's look of the scroll buttons: the theme read and the
// nine-grid copy of one button face.
#include "tabstrip/CustomTabCtrl.h"
#include "theme/VisualStyles.h"

#include <vssym32.h>

#include <algorithm>

namespace {

// Ends a theme read at its first failing step; caught where the read ends.
struct ThemeReadAbandoned {};

void Require(bool ok) {
    if (!ok) throw ThemeReadAbandoned{};
}

const int kLeftPart = SPNP_DOWNHORZ;  // first and previous buttons
const int kRightPart = SPNP_UPHORZ;   // next and last buttons
const COLORREF kDefaultTransparent = RGB(255, 0, 255);

// What the style says of one set of button images: four in a strip, its
// file, layout and sizing margins.
struct StripProperties {
    WCHAR file[MAX_PATH] = L"";
    BOOL horizontal = FALSE;
    MARGINS margins{};
};

StripProperties ReadStrip(const CVisualStyles& styles, int part) {
    StripProperties strip;
    // Preset: a failed library call still counts as read.
    int bgType = 0;
    Require(styles.GetEnumValue(part, 0, TMT_BGTYPE, bgType) && bgType == BT_IMAGEFILE);
    int count = 0;
    Require(styles.GetInt(part, 0, TMT_IMAGECOUNT, count) && count == 4);
    Require(styles.GetFilename(part, 0, TMT_IMAGEFILE, strip.file, MAX_PATH));
    int layout = 0;
    Require(styles.GetEnumValue(part, 0, TMT_IMAGELAYOUT, layout));
    strip.horizontal = layout != 0 ? TRUE : FALSE;
    Require(styles.GetMargins(part, 0, TMT_SIZINGMARGINS, strip.margins));
    return strip;
}

// The glyph image holds the four state images in the left strip's layout;
// each state's colour is the first pixel of its quarter, in scan order, that
// is not the transparent colour. A quarter without one abandons the read.
void SampleGlyphColors(HDC dc, const BITMAP& glyph, bool horizontal, COLORREF transparent, COLORREF (&colors)[4]) {
    for (COLORREF& c : colors) c = transparent;
    const int lines = horizontal ? glyph.bmWidth : glyph.bmHeight;
    const int length = horizontal ? glyph.bmHeight : glyph.bmWidth;
    for (int line = 0; line < lines; ++line) {
        int quarter = 0;
        while (line >= (quarter + 1) * lines / 4) ++quarter;
        COLORREF& color = colors[quarter];
        for (int i = 0; i < length && color == transparent; ++i)
            color = horizontal ? ::GetPixel(dc, line, i) : ::GetPixel(dc, i, line);
        Require(line != (quarter + 1) * lines / 4 - 1 || color != transparent);
    }
}

}  // namespace

LRESULT CCustomTabCtrl::OnThemeChanged() {
    DropPaintCaches();  // first: they may hold a strip selected
    m_hbmScrollLeft.Reset();
    m_hbmScrollRight.Reset();
    fw::MemoryDC dc(::CreateCompatibleDC(nullptr));
    try {
        CVisualStyles styles;
        Require(styles.Open(GetHwnd(), L"SPIN"));
        // Every property before any bitmap: a strip takes some 300 us to
        // load under Wine, and a style that fails a later step (Wine's own
        // names no glyph image) needs none of them.
        const StripProperties left = ReadStrip(styles, kLeftPart);
        const StripProperties right = ReadStrip(styles, kRightPart);
        int glyphType = 0;
        Require(styles.GetEnumValue(kLeftPart, 0, TMT_GLYPHTYPE, glyphType));
        COLORREF colors[4];
        std::copy(m_crGlyph, m_crGlyph + 4, colors);
        COLORREF transparent = kDefaultTransparent;
        WCHAR glyphFile[MAX_PATH] = L"";
        if (glyphType == GT_IMAGEGLYPH) {
            Require(styles.GetColor(kLeftPart, 0, TMT_GLYPHTRANSPARENTCOLOR, transparent));
            Require(styles.GetFilename(kLeftPart, 0, TMT_GLYPHIMAGEFILE, glyphFile, MAX_PATH));
        } else if (glyphType == GT_FONTGLYPH) {
            // The disabled colour is not read; no button is drawn disabled.
            for (int state = 1; state <= 3; ++state)
                Require(styles.GetColor(kRightPart, state, TMT_GLYPHTEXTCOLOR, colors[state - 1]));
        } else {
            Require(false);
        }

        m_hbmScrollLeft.Reset(styles.LoadThemeBitmap(left.file));
        Require(m_hbmScrollLeft.Get() != nullptr);
        m_hbmScrollRight.Reset(styles.LoadThemeBitmap(right.file));
        Require(m_hbmScrollRight.Get() != nullptr);
        if (glyphType == GT_IMAGEGLYPH) {
            fw::Bitmap glyph(styles.LoadThemeBitmap(glyphFile));
            Require(glyph.Get() != nullptr && dc.Get() != nullptr);
            fw::SelectScope select(dc, glyph);
            BITMAP info{};
            Require(::GetObjectA(glyph, sizeof info, &info) != 0);
            SampleGlyphColors(dc, info, left.horizontal != FALSE, transparent, colors);
        }
        m_bScrollLeftHorz = left.horizontal;
        m_mrgScrollLeft = left.margins;
        m_bScrollRightHorz = right.horizontal;
        m_mrgScrollRight = right.margins;
        std::copy(colors, colors + 4, m_crGlyph);
    } catch (const ThemeReadAbandoned&) {
        // All or nothing: a half-read style paints classic buttons.
        m_hbmScrollLeft.Reset();
        m_hbmScrollRight.Reset();
    }
    return 0;
}

void CCustomTabCtrl::DrawThemedButton(HDC dc, const RECT& rc, bool rightHand, int image) {
    HBITMAP strip = rightHand ? m_hbmScrollRight.Get() : m_hbmScrollLeft.Get();
    const bool horizontal = (rightHand ? m_bScrollRightHorz : m_bScrollLeftHorz) != FALSE;
    const MARGINS& m = rightHand ? m_mrgScrollRight : m_mrgScrollLeft;
    if (!strip) return;
    if (!m_themeStripDC) m_themeStripDC.Reset(::CreateCompatibleDC(dc));
    const HDC mem = m_themeStripDC;
    if (!mem) return;
    // Stays selected: the next button or paint takes it from here.
    ::SelectObject(mem, strip);
    BITMAP info{};
    ::GetObjectA(strip, sizeof info, &info);
    const int ws = info.bmWidth, hs = info.bmHeight;

    int x0 = 0, x1 = ws, y0 = 0, y1 = hs;
    if (horizontal) {
        x0 = image * ws / 4;
        x1 = (image + 1) * ws / 4;
    } else {
        y0 = image * hs / 4;
        y1 = (image + 1) * hs / 4;
    }
    const int cw = horizontal ? ws / 4 : ws;
    const int ch = horizontal ? hs : hs / 4;
    const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
    const int mL = m.cxLeftWidth, mR = m.cxRightWidth, mT = m.cyTopHeight, mB = m.cyBottomHeight;

    // Corners keep their size; edges stretch along themselves, the centre both ways.
    ::BitBlt(dc, l, t, mL, mT, mem, x0, y0, SRCCOPY);
    ::BitBlt(dc, r - mR, t, mR, mT, mem, x1 - mR, y0, SRCCOPY);
    ::BitBlt(dc, l, b - mB, mL, mB, mem, x0, y1 - mB, SRCCOPY);
    ::BitBlt(dc, r - mR, b - mB, mR, mB, mem, x1 - mR, y1 - mB, SRCCOPY);
    ::StretchBlt(dc, l + mL, t, r - mR - l - mL, mT, mem, x0 + mL, y0, cw - mR - mL, mT, SRCCOPY);
    ::StretchBlt(dc, l + mL, b - mB, r - mR - l - mL, mB, mem, x0 + mL, y1 - mB, cw - mR - mL, mB, SRCCOPY);
    ::StretchBlt(dc, l, t + mT, mL, b - mB - t - mT, mem, x0, y0 + mT, mL, ch - mB - mT, SRCCOPY);
    ::StretchBlt(dc, r - mR, t + mT, mR, b - mB - t - mT, mem, x1 - mR, y0 + mT, mR, ch - mB - mT, SRCCOPY);
    ::StretchBlt(dc, l + mL, t + mT, r - l - mR - mL, b - t - mB - mT, mem, x0 + mL, y0 + mT, cw - mR - mL,
                 ch - mB - mT, SRCCOPY);
}
