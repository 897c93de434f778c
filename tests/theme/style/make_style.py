#!/usr/bin/env python3
"""Writes the sources of the tab strip's test visual style.

    make_style.py OUTPUT_DIR

The style is a resource-only DLL in the layout the system's visual-style
library reads: a version word, the colour-scheme and size names, the name of
the class-data INI of each scheme, the INIs themselves as UTF-16LE text, and
one BITMAP per image named after its file name as the style packer does
(upper case, every other character an underscore). Each colour scheme is one
variant of the SPIN class; the registry's ColorName picks the one in force.

Writes OUTPUT_DIR/tabstyle.rc and the files it names. The image colours encode
where each pixel comes from, so that a test can tell every copied pixel's
source: red = 16 x + 8, green = 16 y + 8, blue = 64 image + 32 (cell
coordinates x, y; image 0..3).
"""

import os
import re
import struct
import sys

CELL_W, CELL_H = 13, 12
# (left, right, top, bottom): asymmetric, so that a swapped pair shows.
LEFT_MARGINS = (3, 4, 2, 5)
RIGHT_MARGINS = (2, 3, 4, 3)

MAGENTA = (0xFF, 0x00, 0xFF)
TEAL = (0x00, 0x80, 0x80)
# Glyph colours of the four state images, and the shadow drawn after each.
GLYPH_COLOURS = [(0x20, 0x40, 0x80), (0x00, 0x80, 0x00), (0x80, 0x00, 0x00), (0x80, 0x80, 0x80)]
SHADOW = (0x10, 0x10, 0x10)
# Glyph text colours of part 3, states 1..3 (font glyphs).
TEXT_COLOURS = [(0x11, 0x22, 0x33), (0x44, 0x55, 0x66), (0x77, 0x88, 0x99)]

GLYPH_W, GLYPH_H = 9, 8  # one state image of the glyph; four stacked


def resource_name(file_name):
    return re.sub(r'[^A-Z0-9]', '_', file_name.upper())


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP file; pixel(x, y) gives (r, g, b)."""
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b'\0' * (stride - len(row))
        rows.append(bytes(row))
    bits = b''.join(rows)
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(bits), 0, 0, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 54 + len(bits), 0, 0, 54) + header + bits


def cell_colour(x, y, image):
    return (16 * x + 8, 16 * y + 8, 64 * image + 32)


def stacked_strip(x, y):
    return cell_colour(x, y % CELL_H, y // CELL_H)


def side_by_side_strip(x, y):
    return cell_colour(x % CELL_W, y, x // CELL_W)


# A left-pointing arrow in each state image, its shadow one pixel lower right.
ARROW = ['....#....',
         '...##....',
         '..###....',
         '.####....',
         '..###....',
         '...##....',
         '....#....',
         '.........']


def glyph(background, empty_image=None):
    def pixel(x, y):
        image, gy = divmod(y, GLYPH_H)
        if image == empty_image:
            return background
        if ARROW[gy][x] == '#':
            return GLYPH_COLOURS[image]
        if gy > 0 and x > 0 and ARROW[gy - 1][x - 1] == '#':
            return SHADOW
        return background
    return pixel


def rgb(c):
    return '%d %d %d' % c


def margins(m):
    return '%d, %d, %d, %d' % m


def spin_ini(left=None, right=None, extra=''):
    """Class data: part 4 (left buttons) and part 3 (right buttons)."""
    left_props = {
        'BgType': 'ImageFile',
        'ImageFile': 'tabspin_left.bmp',
        'ImageCount': '4',
        'ImageLayout': 'Vertical',
        'SizingMargins': margins(LEFT_MARGINS),
        'GlyphType': 'ImageGlyph',
        'GlyphImageFile': 'Glyphs\\TabSpin.Glyph.bmp',
    }
    right_props = {
        'BgType': 'ImageFile',
        'ImageFile': 'tabspin_right.bmp',
        'ImageCount': '4',
        'ImageLayout': 'Horizontal',
        'SizingMargins': margins(RIGHT_MARGINS),
        'GlyphType': 'ImageGlyph',
    }
    for props, changes in ((left_props, left or {}), (right_props, right or {})):
        for key, value in changes.items():
            if value is None:
                props.pop(key, None)
            else:
                props[key] = value
    text = '[Globals]\r\n\r\n'
    for section, props in (('Spin.Downhorz', left_props), ('Spin.Uphorz', right_props)):
        text += '[%s]\r\n' % section
        text += ''.join('%s = %s\r\n' % kv for kv in props.items())
        text += '\r\n'
    return text + extra


FONT_GLYPH_STATES = ''.join(
    '[Spin.Uphorz(%s)]\r\nGlyphTextColor = %s\r\n\r\n' % (state, rgb(c))
    for state, c in zip(('Normal', 'Hot', 'Pressed'), TEXT_COLOURS))

# Colour scheme name -> class data. The first is the scheme a bare
# activation (no ColorName) gets.
SCHEMES = [
    ('ImageGlyph', spin_ini()),
    ('FontGlyph', spin_ini(left={'GlyphType': 'FontGlyph', 'GlyphImageFile': None},
                           extra=FONT_GLYPH_STATES)),
    ('BorderFill', spin_ini(left={'BgType': 'BorderFill'})),
    ('FiveImages', spin_ini(right={'ImageCount': '5'})),
    ('MissingImage', spin_ini(right={'ImageFile': 'tabspin_none.bmp'})),
    ('NoGlyphImage', spin_ini(left={'GlyphImageFile': None})),
    ('NoGlyphType', spin_ini(left={'GlyphType': 'None'})),
    ('EmptyQuarter', spin_ini(left={'GlyphImageFile': 'tabspin_glyph_gap.bmp',
                                    'GlyphTransparentColor': rgb(TEAL)})),
]
SIZES = ['NormalSize']

IMAGES = {
    'tabspin_left.bmp': bmp24(CELL_W, 4 * CELL_H, stacked_strip),
    'tabspin_right.bmp': bmp24(4 * CELL_W, CELL_H, side_by_side_strip),
    'Glyphs\\TabSpin.Glyph.bmp': bmp24(GLYPH_W, 4 * GLYPH_H, glyph(MAGENTA)),
    'tabspin_glyph_gap.bmp': bmp24(GLYPH_W, 4 * GLYPH_H, glyph(TEAL, empty_image=2)),
}


def name_list(names):
    return ''.join(n + '\0' for n in names).encode('utf-16le') + b'\0\0'


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        'packthem.bin': struct.pack('<H', 3),
        'colornames.bin': name_list(s for s, _ in SCHEMES),
        'sizenames.bin': name_list(SIZES),
        'fileresnames.bin': name_list(resource_name(s) + '_INI' for s, _ in SCHEMES),
        'themes_ini.txt': '[documentation]\r\nDisplayName = Probelet test style\r\n'.encode('utf-16le'),
    }
    for scheme, text in SCHEMES:
        files[resource_name(scheme) + '_INI.txt'] = text.encode('utf-16le')
    for name, data in IMAGES.items():
        files[resource_name(name) + '.bmp'] = data

    rc = ['1 PACKTHEM_VERSION "packthem.bin"',
          '1 COLORNAMES "colornames.bin"',
          '1 SIZENAMES "sizenames.bin"',
          '1 FILERESNAMES "fileresnames.bin"',
          'THEMES_INI TEXTFILE "themes_ini.txt"']
    rc += ['%s_INI TEXTFILE "%s_INI.txt"' % (resource_name(s), resource_name(s)) for s, _ in SCHEMES]
    rc += ['%s BITMAP "%s.bmp"' % (resource_name(n), resource_name(n)) for n in IMAGES]
    files['tabstyle.rc'] = ('\n'.join(rc) + '\n').encode('ascii')

    for name, data in files.items():
        path = os.path.join(out, name)
        # Unchanged files keep their time stamps: no rebuild of the DLL.
        if os.path.exists(path):
            with open(path, 'rb') as f:
                if f.read() == data:
                    continue
        with open(path, 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
