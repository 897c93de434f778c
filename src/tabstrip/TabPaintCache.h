// What a paint of the strip keeps for the next one. Under Wine a memory DC
// and a bitmap cost more to make than all the drawing of a small strip; made
// once, they leave a paint little more than its drawing.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

namespace tabstrip {

// How a surface keeps its pixels: a picture composed in one format looks
// the same copied to another of the same format.
struct SurfaceFormat {
    int bits = 0;
    DWORD masks[3] = {};  // red, green, blue; all three 8 bits wide from 24 bits up
    bool device = false;  // a device bitmap below 24 bits: its layout is the driver's

    static SurfaceFormat Of(HDC dc);
    bool operator==(const SurfaceFormat& o) const;
    bool operator!=(const SurfaceFormat& o) const { return !(*this == o); }
};

// The memory DC and bitmap the strip is composed in, made compatible with
// the first target of each size and format and kept for the paints after.
class BackBuffer {
public:
    // A DC with a width x height bitmap for `target`, in its default state;
    // null when none can be made. A palette, monochrome or metafile target
    // gets a temporary one each time (see Release): its colours are its own.
    HDC Prepare(HDC target, int width, int height);
    // Ends the paint that Prepare began.
    void Release(HDC dc);
    void Reset();

private:
    fw::Bitmap m_bitmap;
    fw::MemoryDC m_dc;  // after the bitmap: deleted first, which deselects it
    int m_saved = 0;    // SaveDC level while a paint uses the DC
    int m_width = 0;
    int m_height = 0;
    SurfaceFormat m_format;
    fw::Bitmap m_tempBitmap;
    fw::MemoryDC m_tempDC;
};

// The four 8x7 arrow glyphs in each of four colours, one row per colour, and
// their mask: drawing one is three BitBlts from DCs made once.
class GlyphSheet {
public:
    // Made anew for another format of dc or other colours; false when it cannot be.
    bool Prepare(HDC dc, HBITMAP mask, const COLORREF (&colors)[4]);
    // Glyph 0..3 at `at` in colour 0..3, the surface under the mask's 1 bits untouched.
    void Draw(HDC dc, POINT at, int glyph, int colour) const;
    void Reset();

private:
    fw::Bitmap m_sheet;
    fw::MemoryDC m_maskDC;   // holds the caller's mask while the sheet lives
    fw::MemoryDC m_sheetDC;  // after the bitmaps: deleted first
    COLORREF m_colors[4] = {};
    SurfaceFormat m_format;
};

}  // namespace tabstrip
