#include "tabstrip/TabPaintCache.h"

#include <algorithm>

namespace tabstrip {

SurfaceFormat SurfaceFormat::Of(HDC dc) {
    SurfaceFormat f;
    const DWORD type = ::GetObjectType(dc);
    if (type == OBJ_MEMDC) {
        DIBSECTION dib{};
        const int size = ::GetObjectA(::GetCurrentObject(dc, OBJ_BITMAP), sizeof dib, &dib);
        if (size == static_cast<int>(sizeof dib)) {
            f.bits = dib.dsBm.bmBitsPixel;
            if (dib.dsBmih.biCompression == BI_BITFIELDS) std::copy(dib.dsBitfields, dib.dsBitfields + 3, f.masks);
        } else if (size >= static_cast<int>(sizeof(BITMAP))) {
            f.bits = dib.dsBm.bmBitsPixel * dib.dsBm.bmPlanes;
            f.device = true;
        }
    } else if (type == OBJ_DC) {
        f.bits = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES);
        f.device = true;
    }  // else a metafile or printer: bits 0, nothing kept for it
    // From 24 bits up a device bitmap, a plain DIB and one with byte-wide
    // masks all hold 8 bits of each colour.
    const DWORD rgb[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    if (f.bits >= 24 && (std::equal(rgb, rgb + 3, f.masks) || (f.masks[0] | f.masks[1] | f.masks[2]) == 0)) {
        std::copy(rgb, rgb + 3, f.masks);
        f.device = false;
    }
    return f;
}

bool SurfaceFormat::operator==(const SurfaceFormat& o) const {
    return bits == o.bits && std::equal(masks, masks + 3, o.masks) && device == o.device;
}

HDC BackBuffer::Prepare(HDC target, int width, int height) {
    const SurfaceFormat format = SurfaceFormat::Of(target);
    if (format.bits <= 8) {
        m_tempDC.Reset(::CreateCompatibleDC(target));
        m_tempBitmap.Reset(::CreateCompatibleBitmap(target, width, height));
        if (!m_tempDC || !m_tempBitmap) return nullptr;
        ::SelectObject(m_tempDC, m_tempBitmap);
        return m_tempDC;
    }
    if (!m_dc || width != m_width || height != m_height || format != m_format) {
        Reset();
        fw::MemoryDC dc(::CreateCompatibleDC(target));
        fw::Bitmap bitmap(::CreateCompatibleBitmap(target, width, height));
        if (!dc || !bitmap) return nullptr;
        ::SelectObject(dc, bitmap);
        m_bitmap = std::move(bitmap);
        m_dc = std::move(dc);
        m_width = width;
        m_height = height;
        m_format = format;
    }
    // Every paint starts from a new DC's state (its white brush, black pen...).
    m_saved = ::SaveDC(m_dc);
    return m_dc;
}

void BackBuffer::Release(HDC dc) {
    if (dc == m_tempDC.Get()) {
        m_tempDC.Reset();
        m_tempBitmap.Reset();
    } else if (dc == m_dc.Get() && m_saved) {
        ::RestoreDC(m_dc, m_saved);
        m_saved = 0;
    }
}

void BackBuffer::Reset() {
    m_dc.Reset();
    m_bitmap.Reset();
    m_saved = 0;
    m_width = m_height = 0;
    m_format = SurfaceFormat{};
}

bool GlyphSheet::Prepare(HDC dc, HBITMAP mask, const COLORREF (&colors)[4]) {
    const SurfaceFormat format = SurfaceFormat::Of(dc);
    if (m_sheetDC && format == m_format && std::equal(colors, colors + 4, m_colors)) return true;
    Reset();
    fw::MemoryDC maskDC(::CreateCompatibleDC(dc));
    fw::MemoryDC sheetDC(::CreateCompatibleDC(dc));
    fw::Bitmap sheet(::CreateCompatibleBitmap(dc, 32, 28));
    if (!maskDC || !sheetDC || !sheet || !::SelectObject(maskDC, mask)) return false;
    ::SelectObject(sheetDC, sheet);
    // Glyph bits (0) take the text colour, background bits the white of a new DC.
    for (int row = 0; row < 4; ++row) {
        ::SetTextColor(sheetDC, colors[row]);
        ::BitBlt(sheetDC, 0, 7 * row, 32, 7, maskDC, 0, 0, SRCCOPY);
    }
    m_sheet = std::move(sheet);
    m_maskDC = std::move(maskDC);
    m_sheetDC = std::move(sheetDC);
    std::copy(colors, colors + 4, m_colors);
    m_format = format;
    return true;
}

void GlyphSheet::Draw(HDC dc, POINT at, int glyph, int colour) const {
    // x ^ c, then & mask (glyph 0, rest all ones), then ^ c: glyph pixels end
    // as c and the face under the background bits is untouched.
    const COLORREF oldBk = ::SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF oldText = ::SetTextColor(dc, RGB(0, 0, 0));
    ::BitBlt(dc, at.x, at.y, 8, 7, m_sheetDC, 8 * glyph, 7 * colour, SRCINVERT);
    ::BitBlt(dc, at.x, at.y, 8, 7, m_maskDC, 8 * glyph, 0, SRCAND);
    ::BitBlt(dc, at.x, at.y, 8, 7, m_sheetDC, 8 * glyph, 7 * colour, SRCINVERT);
    ::SetTextColor(dc, oldText);
    ::SetBkColor(dc, oldBk);
}

void GlyphSheet::Reset() {
    m_sheetDC.Reset();
    m_maskDC.Reset();
    m_sheet.Reset();
    m_format = SurfaceFormat{};
}

}  // namespace tabstrip
