#!/usr/bin/python3
"""Draws every picture that Quarlo stores and writes the resource script that embeds them.

    /usr/bin/python3 assets/generate.py [--out DIR]

Needs only Python 3 with PIL and numpy.  The output is the same, byte for byte, on every run: nothing
is random, numpy runs its processor-independent kernels, and the JPEG encoder runs with fixed
quality and no chroma subsampling.  The product build uses the committed outputs and never runs this
script.
"""
import argparse
import io
import os
import sys
import warnings

# numpy picks some of its kernels by the processor, and they need not agree in the last bit: the
# walking figure came out with a hundred pixels up to 4 levels apart on another machine. Its
# baseline kernels are the same code on every x86-64 machine. Naming a feature this processor
# lacks only raises a warning.
os.environ.setdefault('NPY_DISABLE_CPU_FEATURES',
                      'SSSE3 SSE41 POPCNT SSE42 AVX F16C FMA3 AVX2 AVX512F AVX512CD AVX512_KNL '
                      'AVX512_KNM AVX512_SKX AVX512_CLX AVX512_CNL AVX512_ICL')
warnings.filterwarnings('ignore', message='During parsing environment variable')

import numpy as np  # noqa: E402
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from artgen import contact, preview, quarlo, ui, walker, winfiles  # noqa: E402
from artgen.raytrace import linear_to_srgb8  # noqa: E402

SHEET_COLUMNS, SHEET_ROWS = 8, 4
CELL_W, CELL_H = walker.CELL
FRAME_COUNT = 23
SPRITE_PX = 60
# Where a mask is white, no channel of its frame may exceed this after JPEG decoding; the screen
# XORs the frame onto the background there, so anything brighter would show as garbage.
TRANSPARENT_MAX = 8
SHEET_QUALITY, SPRITE_QUALITY, PREVIEW_QUALITY = 92, 100, 94
ICON_SIZES = (16, 24, 32, 48, 256)
ICON_TURN = -0.06
ICON_ZOOM = 1.1

FACE_IDS = [('face_normal', 'IDR_FACE_NORMAL', 420), ('face_highlight', 'IDR_FACE_HIGHLIGHT', 421),
            ('face_highlightselect', 'IDR_FACE_HIGHLIGHTSELECT', 422),
            ('face_selected', 'IDR_FACE_SELECTED', 423), ('face_pressed', 'IDR_FACE_PRESSED', 424),
            ('face_disable', 'IDR_FACE_DISABLE', 425)]


def jpeg_bytes(picture, quality):
    buffer = io.BytesIO()
    Image.fromarray(picture).save(buffer, 'JPEG', quality=quality, subsampling=0)
    return buffer.getvalue()


def decode(data):
    return np.array(Image.open(io.BytesIO(data)).convert('RGB'))


def bmp_bytes(picture):
    buffer = io.BytesIO()
    Image.fromarray(picture).convert('RGB').save(buffer, 'BMP')
    return buffer.getvalue()


def display_cell(k):
    """Sheet row and column of the k-th cell shown: each row runs from column 7 down to 0."""
    return k // SHEET_COLUMNS, SHEET_COLUMNS - 1 - k % SHEET_COLUMNS


def walk_sheet():
    """The 1024 x 1180 sheet, with pose k of the gait cycle in the k-th cell shown."""
    sheet = np.zeros((SHEET_ROWS * CELL_H, SHEET_COLUMNS * CELL_W, 3), np.uint8)
    for k in range(walker.POSES):
        row, col = display_cell(k)
        colour, _ = walker.render_pose(k)
        sheet[row * CELL_H:(row + 1) * CELL_H, col * CELL_W:(col + 1) * CELL_W] = linear_to_srgb8(colour)
    return sheet


def dilate(flags):
    """Grows a boolean picture by one pixel in all eight directions."""
    padded = np.pad(flags, 1)
    h, w = flags.shape
    return np.any([padded[dy:dy + h, dx:dx + w] for dy in range(3) for dx in range(3)], axis=0)


def sprite_frame(index):
    """JPEG bytes of frame `index` and its mask (black on the sprite, white elsewhere).

    The mask covers the sprite grown by one pixel, plus any pixel the JPEG coding has lifted above
    TRANSPARENT_MAX, so the pair always keeps the background clean."""
    colour, cover = quarlo.render_quarlo(2 * np.pi * index / FRAME_COUNT, px=SPRITE_PX)
    picture = linear_to_srgb8(colour)
    picture[cover == 0] = 0
    data = jpeg_bytes(picture, SPRITE_QUALITY)
    solid = dilate(cover > 0) | (decode(data).max(axis=2) > TRANSPARENT_MAX)
    mask = np.where(solid[..., None], 0, 255).astype(np.uint8).repeat(3, axis=2)
    return data, mask


def icon_image(px):
    """The quarlo at `px` pixels as straight (not premultiplied) sRGB colour and an alpha channel
    from the coverage, so that its edge blends into any background."""
    colour, cover = quarlo.render_quarlo(2 * np.pi * ICON_TURN, px=px, zoom=ICON_ZOOM)
    alpha = np.clip(np.round(cover * 255), 0, 255).astype(np.uint8)
    straight = colour / np.maximum(cover, 1e-6)[..., None]
    picture = linear_to_srgb8(straight)
    picture[alpha == 0] = 0
    return picture, alpha


def over_checker(picture, alpha):
    """An icon image as it shows over a checker board."""
    px = picture.shape[0]
    a = alpha[..., None].astype(np.float64) / 255
    blended = picture * a + contact._checker(px, px, 4 if px <= 48 else 16) * (1 - a)
    return np.round(blended).astype(np.uint8)


def resource_tables():
    """(identifier, value) pairs, counts, and the resource script entries."""
    ids = [('IDI_QUARLO', 1), ('IDR_WALK_SHEET', 100), ('IDR_QUARLO_FIRST', 200),
           ('IDR_MASK_FIRST', 300), ('IDR_PREVIEW', 400), ('IDR_MARK_OFF', 410), ('IDR_MARK_ON', 411)]
    ids += [(name, value) for _, name, value in FACE_IDS]
    ids += [('IDC_HAND_POINTER', 500)]
    counts = [('QUARLO_FRAME_COUNT', FRAME_COUNT), ('WALK_SHEET_COLUMNS', SHEET_COLUMNS),
              ('WALK_SHEET_ROWS', SHEET_ROWS), ('WALK_CELL_WIDTH', CELL_W), ('WALK_CELL_HEIGHT', CELL_H),
              ('QUARLO_SPRITE_SIZE', SPRITE_PX)]
    entries = [('IDI_QUARLO', 'ICON', 'assets/quarlo.ico'),
               ('IDC_HAND_POINTER', 'CURSOR', 'assets/hand.cur'),
               ('IDR_WALK_SHEET', 'RCDATA', 'assets/walk_sheet.jpg')]
    entries += [('IDR_QUARLO_FIRST + %d' % i, 'RCDATA', 'assets/quarlo_%02d.jpg' % i) for i in range(FRAME_COUNT)]
    entries += [('IDR_MASK_FIRST + %d' % i, 'RCDATA', 'assets/mask_%02d.bmp' % i) for i in range(FRAME_COUNT)]
    entries += [('IDR_PREVIEW', 'RCDATA', 'assets/preview.jpg'), ('IDR_MARK_OFF', 'RCDATA', 'assets/mark_off.bmp'),
                ('IDR_MARK_ON', 'RCDATA', 'assets/mark_on.bmp')]
    entries += [(name, 'RCDATA', 'assets/%s.bmp' % stem) for stem, name, _ in FACE_IDS]
    return ids, counts, entries


def generate(out):
    files = {}
    shown = {}

    sheet = walk_sheet()
    files['walk_sheet.jpg'] = jpeg_bytes(sheet, SHEET_QUALITY)
    decoded = decode(files['walk_sheet.jpg'])
    shown['cells'] = [(decoded[r * CELL_H:(r + 1) * CELL_H, c * CELL_W:(c + 1) * CELL_W], r, c)
                      for r, c in map(display_cell, range(walker.POSES))]

    shown['frames'], shown['masks'] = [], []
    for i in range(FRAME_COUNT):
        data, mask = sprite_frame(i)
        files['quarlo_%02d.jpg' % i] = data
        files['mask_%02d.bmp' % i] = bmp_bytes(mask)
        shown['frames'].append(decode(data))
        shown['masks'].append(mask)

    files['preview.jpg'] = jpeg_bytes(linear_to_srgb8(preview.render()), PREVIEW_QUALITY)
    shown['preview'] = decode(files['preview.jpg'])

    shown['mark_off'], shown['mark_on'] = ui.mark_off(), ui.mark_on()
    files['mark_off.bmp'] = bmp_bytes(shown['mark_off'])
    files['mark_on.bmp'] = bmp_bytes(shown['mark_on'])

    shown['faces'] = ui.faces()
    for stem, face in shown['faces'].items():
        files[stem + '.bmp'] = bmp_bytes(face)

    shown['cursor'] = ui.hand_cursor()
    files['hand.cur'] = winfiles.cur_bytes(*shown['cursor'], ui.HAND_HOTSPOT)

    icons = [icon_image(px) for px in ICON_SIZES]
    files['quarlo.ico'] = winfiles.ico_bytes(icons)
    shown['icons'] = [over_checker(picture, alpha) for picture, alpha in icons]

    ids, counts, entries = resource_tables()
    files['asset_ids.h'] = winfiles.header_text(ids, counts).encode('ascii')
    files['assets.rc'] = winfiles.rc_text(entries).encode('ascii')

    buffer = io.BytesIO()
    contact.build(shown).save(buffer, 'PNG')
    files['contact_sheet.png'] = buffer.getvalue()

    os.makedirs(out, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as handle:
            handle.write(data)
    return sorted(files)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--out', default=os.path.dirname(os.path.abspath(__file__)),
                        help='folder to write into (default: the folder of this script)')
    args = parser.parse_args(argv)
    for name in generate(args.out):
        print(os.path.join(args.out, name))


if __name__ == '__main__':
    main()
