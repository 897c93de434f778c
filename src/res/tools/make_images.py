#!/usr/bin/env python3
"""Writes the program's BMP, ICO and CUR files from readable pixel pictures.

    make_images.py PICTURE.pix OUTPUT

A .pix file holds one output file:

    format bmp4 | ico8 | cur1   16-colour strip bitmap, 256-colour icon, 2-colour cursor
    hotspot X Y                  cursors only
    image W H [title]            then H rows of W characters, one per pixel

The images of a bmp4 file are put side by side (a toolbar strip); those of an
ico8 file become the icon's images. Lines starting with '#' are comments.
Every character stands for one colour of the legend below; '_' is transparent
(icons and cursors only).
"""

import struct
import sys

LEGEND = {
    'K': (0x00, 0x00, 0x00),  # black
    'm': (0x80, 0x00, 0x00),  # maroon
    'g': (0x00, 0x80, 0x00),  # dark green
    'o': (0x80, 0x80, 0x00),  # olive
    'n': (0x00, 0x00, 0x80),  # navy
    'p': (0x80, 0x00, 0x80),  # purple
    't': (0x00, 0x80, 0x80),  # teal
    'd': (0x80, 0x80, 0x80),  # dark grey
    '.': (0xC0, 0xC0, 0xC0),  # light grey: the button face of toolbar images
    'R': (0xFF, 0x00, 0x00),  # red
    'G': (0x00, 0xFF, 0x00),  # green
    'Y': (0xFF, 0xFF, 0x00),  # yellow
    'B': (0x00, 0x00, 0xFF),  # blue
    'F': (0xFF, 0x00, 0xFF),  # magenta
    'C': (0x00, 0xFF, 0xFF),  # cyan
    'W': (0xFF, 0xFF, 0xFF),  # white
}
PALETTE = list(LEGEND.values())
INDEX = {ch: i for i, ch in enumerate(LEGEND)}
TRANSPARENT = '_'


class PixError(Exception):
    pass


def parse(path):
    fmt, hotspot, images = None, None, []
    current = None
    with open(path, encoding='ascii') as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip('\r\n')
            where = f'{path}:{number}'
            if current is not None and len(current['rows']) < current['h']:
                if len(line) != current['w']:
                    raise PixError(f'{where}: row is {len(line)} pixels wide, expected {current["w"]}')
                for ch in line:
                    if ch not in INDEX and ch != TRANSPARENT:
                        raise PixError(f'{where}: unknown colour {ch!r}')
                current['rows'].append(line)
                continue
            if not line.strip() or line.startswith('#'):
                continue
            words = line.split()
            if words[0] == 'format':
                fmt = words[1]
            elif words[0] == 'hotspot':
                hotspot = (int(words[1]), int(words[2]))
            elif words[0] == 'image':
                current = {'w': int(words[1]), 'h': int(words[2]), 'rows': []}
                images.append(current)
            else:
                raise PixError(f'{where}: unexpected {words[0]!r}')
    if fmt not in ('bmp4', 'ico8', 'cur1'):
        raise PixError(f'{path}: missing or unknown format')
    if not images or len(images[-1]['rows']) != images[-1]['h']:
        raise PixError(f'{path}: last image is incomplete')
    return fmt, hotspot, images


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def pack(values, bits, width):
    """Packs one row of values of `bits` bits each, padded to 32 bits."""
    out = bytearray(row_bytes(width * bits))
    per_byte = 8 // bits
    for x, v in enumerate(values):
        shift = 8 - bits * (x % per_byte + 1)
        out[x // per_byte] |= v << shift
    return bytes(out)


def info_header(w, h, bpp, colours, image_size):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, image_size, 0, 0, colours, 0)


def palette_bytes(colours, count):
    data = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in colours)
    return data + b'\0' * (4 * (count - len(colours)))


def strip_bmp(images):
    h = images[0]['h']
    if any(img['h'] != h for img in images):
        raise PixError('all images of a strip must have the same height')
    rows = [''.join(img['rows'][y] for img in images) for y in range(h)]
    w = len(rows[0])
    if TRANSPARENT in ''.join(rows):
        raise PixError('a bitmap has no transparent colour')
    bits = b''.join(pack([INDEX[c] for c in row], 4, w) for row in reversed(rows))
    header = info_header(w, h, 4, 16, len(bits)) + palette_bytes(PALETTE, 16)
    offset = 14 + len(header)
    return struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset) + header + bits


def and_mask(img):
    return b''.join(pack([1 if c == TRANSPARENT else 0 for c in row], 1, img['w'])
                    for row in reversed(img['rows']))


def icon_image(img):
    w, h = img['w'], img['h']
    colour = b''.join(pack([0 if c == TRANSPARENT else INDEX[c] for c in row], 8, w)
                      for row in reversed(img['rows']))
    mask = and_mask(img)
    return info_header(w, h * 2, 8, 256, len(colour) + len(mask)) + palette_bytes(PALETTE, 256) + colour + mask


def cursor_image(img):
    w, h = img['w'], img['h']
    # XOR bits: white 1, black and transparent 0; AND bits: transparent 1.
    for row in img['rows']:
        for c in row:
            if c not in ('K', 'W', TRANSPARENT):
                raise PixError('a two-colour cursor is drawn in K, W and _ only')
    xor = b''.join(pack([1 if c == 'W' else 0 for c in row], 1, w) for row in reversed(img['rows']))
    mask = and_mask(img)
    return info_header(w, h * 2, 1, 2, len(xor) + len(mask)) + palette_bytes([(0, 0, 0), (255, 255, 255)], 2) + xor + mask


def directory(kind, entries):
    """ICO / CUR file: header, one 16-byte entry per image, then the images."""
    out = struct.pack('<HHH', 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    blobs = []
    for (w, h, colours, word1, word2, blob) in entries:
        out += struct.pack('<BBBBHHII', w % 256, h % 256, colours, 0, word1, word2, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b''.join(blobs)


def build(path):
    fmt, hotspot, images = parse(path)
    if fmt == 'bmp4':
        return strip_bmp(images)
    if fmt == 'ico8':
        # colour count 0 means 256 colours; then planes and bits per pixel
        return directory(1, [(i['w'], i['h'], 0, 1, 8, icon_image(i)) for i in images])
    if len(images) != 1 or hotspot is None:
        raise PixError(f'{path}: a cursor has one image and a hot spot')
    img = images[0]
    return directory(2, [(img['w'], img['h'], 2, hotspot[0], hotspot[1], cursor_image(img))])


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    try:
        data = build(argv[1])
    except PixError as e:
        sys.stderr.write(f'make_images: {e}\n')
        return 1
    with open(argv[2], 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
