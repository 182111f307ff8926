#!/usr/bin/python3
"""Draws every picture that Quarlo stores and writes the resource script that embeds them.

Each picture is drawn at 100 % and, from the same model, for larger display scales: the walking
sheet, sprite frames and masks at ART_SCALES, the option marks, button faces and hand cursor at
UI_SCALES, named <name>@<percent>.<ext>. The program derives the scales in between. The
installer's pictures (installer_*.bmp) are drawn at 100 and 200 %; the installer picks one.

    /usr/bin/python3 assets/generate.py [--out DIR]

Needs only Python 3 with PIL and numpy.  The output is the same, byte for byte, on every run: nothing
is random, numpy runs its processor-independent kernels, and the JPEG encoder runs with fixed
quality and no chroma subsampling.  The product build uses the committed outputs and never runs this
script.
"""
import argparse
import functools
import io
import multiprocessing
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

from artgen import contact, preview, quarlo, ui, walker, winfiles, wizard  # noqa: E402
from artgen.raytrace import linear_to_srgb8  # noqa: E402
from artgen.scaling import scaled, scaled_name  # noqa: E402

SHEET_COLUMNS, SHEET_ROWS = 8, 4
CELL_W, CELL_H = walker.CELL
FRAME_COUNT = 23
SPRITE_PX = 60
# Where a mask is white, no channel of its frame may exceed this after JPEG decoding; the screen
# XORs the frame onto the background there, so anything brighter would show as garbage.
TRANSPARENT_MAX = 8
SHEET_QUALITY, SPRITE_QUALITY, PREVIEW_QUALITY = 92, 100, 94
WORKERS = 4                 # processes tracing the walking sheet; each holds about 0.5 GB at 300 %
ART_SCALES = (200, 300)
UI_SCALES = (125, 150, 175, 200, 225, 250, 300)
INSTALLER_SCALES = (100, 200)
# Title bars ask for 16 x scale pixels, the task switcher for 32 x scale, at every scale above.
ICON_SIZES = (16, 20, 24, 28, 32, 36, 40, 48, 56, 64, 72, 80, 96, 256)
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


def png_bytes(picture):
    buffer = io.BytesIO()
    Image.fromarray(picture).save(buffer, 'PNG', optimize=True)
    return buffer.getvalue()


def stored_name(name, percent):
    """The file of a picture at a scale. The 100 % files keep their formats; at other scales the
    bitmaps (masks, marks, faces) are PNG, which holds them losslessly in a fraction of the size."""
    return scaled_name(name, percent, 'png' if name.endswith('.bmp') else None)


def picture_bytes(picture, name):
    return bmp_bytes(picture) if name.endswith('.bmp') else png_bytes(picture)


def display_cell(k):
    """Sheet row and column of the k-th cell shown: each row runs from column 7 down to 0."""
    return k // SHEET_COLUMNS, SHEET_COLUMNS - 1 - k % SHEET_COLUMNS


def sheet_cell(percent, k):
    """Pose k of the gait cycle in a cell at a scale, as sRGB."""
    scale = percent / 100
    size = (scaled(CELL_W, percent), scaled(CELL_H, percent))
    colour, _ = walker.render_pose(k, scale=scale, size=size, ink=walker.INK * scale)
    return linear_to_srgb8(colour)


def walk_sheet(percent=100):
    """The sheet (1024 x 1180 at 100 %), with pose k of the gait cycle in the k-th cell shown.

    The cells are traced side by side on up to WORKERS processors; each comes out the same
    wherever it is traced."""
    w, h = scaled(CELL_W, percent), scaled(CELL_H, percent)
    sheet = np.zeros((SHEET_ROWS * h, SHEET_COLUMNS * w, 3), np.uint8)
    with multiprocessing.Pool(min(WORKERS, os.cpu_count() or 1)) as pool:
        cells = pool.map(functools.partial(sheet_cell, percent), range(walker.POSES))
    for k, cell in enumerate(cells):
        row, col = display_cell(k)
        sheet[row * h:(row + 1) * h, col * w:(col + 1) * w] = cell
    return sheet


def dilate(flags, steps=1):
    """Grows a boolean picture by `steps` pixels in all eight directions."""
    h, w = flags.shape
    for _ in range(steps):
        padded = np.pad(flags, 1)
        flags = np.any([padded[dy:dy + h, dx:dx + w] for dy in range(3) for dx in range(3)], axis=0)
    return flags


def sprite_frame(index, percent=100):
    """JPEG bytes of frame `index` and where its mask is black (the sprite), at a scale.

    The mask covers the sprite grown by one pixel at 100 % (two at 200 %, three at 300 %), plus
    any pixel the JPEG coding has lifted above TRANSPARENT_MAX, so the pair always keeps the
    background clean."""
    px = scaled(SPRITE_PX, percent)
    colour, cover = quarlo.render_quarlo(2 * np.pi * index / FRAME_COUNT, px=px)
    picture = linear_to_srgb8(colour)
    picture[cover == 0] = 0
    data = jpeg_bytes(picture, SPRITE_QUALITY)
    solid = dilate(cover > 0, percent // 100) | (decode(data).max(axis=2) > TRANSPARENT_MAX)
    return data, solid


def mask_picture(solid):
    """An AND mask: black on the sprite, white elsewhere."""
    return np.where(solid[..., None], 0, 255).astype(np.uint8).repeat(3, axis=2)


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


# (identifier, file at 100 %) of the pictures drawn at ART_SCALES and at UI_SCALES.
ART_PICTURES = ([('IDR_WALK_SHEET', 'walk_sheet.jpg')]
                + [('IDR_QUARLO_FIRST + %d' % i, 'quarlo_%02d.jpg' % i) for i in range(FRAME_COUNT)]
                + [('IDR_MASK_FIRST + %d' % i, 'mask_%02d.bmp' % i) for i in range(FRAME_COUNT)])
UI_PICTURES = ([('IDR_MARK_OFF', 'mark_off.bmp'), ('IDR_MARK_ON', 'mark_on.bmp')]
               + [(name, stem + '.bmp') for stem, name, _ in FACE_IDS])


def resource_tables():
    """(identifier, value) pairs, counts, the lines on display scales, and the resource script
    entries."""
    ids = [('IDI_QUARLO', 1), ('IDR_WALK_SHEET', 100), ('IDR_QUARLO_FIRST', 200),
           ('IDR_MASK_FIRST', 300), ('IDR_PREVIEW', 400), ('IDR_MARK_OFF', 410), ('IDR_MARK_ON', 411)]
    ids += [(name, value) for _, name, value in FACE_IDS]
    ids += [('IDC_HAND_POINTER', 500)]
    counts = [('QUARLO_FRAME_COUNT', FRAME_COUNT), ('WALK_SHEET_COLUMNS', SHEET_COLUMNS),
              ('WALK_SHEET_ROWS', SHEET_ROWS), ('WALK_CELL_WIDTH', CELL_W), ('WALK_CELL_HEIGHT', CELL_H),
              ('QUARLO_SPRITE_SIZE', SPRITE_PX)]
    scales = ['/* A picture drawn for a display scale of `percent` % has the identifier of its 100 % picture',
              '   plus 100 x percent. The walking sheet, sprite frames and masks are drawn at the ART',
              '   scales, the option marks, button faces and hand cursor at the UI scales; each is',
              '   round(100 % size x scale) pixels, halves to even. */',
              '#define QUARLO_SCALED_ID(id, percent) ((id) + 100 * (percent))']
    for kind, values in (('ART', ART_SCALES), ('UI', UI_SCALES)):
        scales += ['#define %-28s %s' % ('QUARLO_%s_SCALES' % kind, ', '.join(map(str, values))),
                   '#define %-28s %d' % ('QUARLO_%s_SCALE_COUNT' % kind, len(values))]
    entries = [('IDI_QUARLO', 'ICON', 'assets/quarlo.ico'),
               ('IDC_HAND_POINTER', 'CURSOR', 'assets/hand.cur'),
               ('IDR_WALK_SHEET', 'RCDATA', 'assets/walk_sheet.jpg')]
    entries += [(ident, 'RCDATA', 'assets/' + name) for ident, name in ART_PICTURES[1:]]
    entries += [('IDR_PREVIEW', 'RCDATA', 'assets/preview.jpg')]
    entries += [(ident, 'RCDATA', 'assets/' + name) for ident, name in UI_PICTURES]
    for percents, pictures in ((ART_SCALES, ART_PICTURES), (UI_SCALES, UI_PICTURES)):
        for percent in percents:
            entries += [('QUARLO_SCALED_ID(%s, %d)' % (ident, percent), 'RCDATA',
                         'assets/' + stored_name(name, percent)) for ident, name in pictures]
    entries += [('QUARLO_SCALED_ID(IDC_HAND_POINTER, %d)' % percent, 'CURSOR',
                 'assets/' + stored_name('hand.cur', percent)) for percent in UI_SCALES]
    return ids, counts, scales, entries


def sheet_and_sprites(files, percent):
    """Draws the walking sheet and the sprite frames and masks at a scale into `files`; returns the
    decoded sheet, frames and masks, as the screen shows them."""
    files[stored_name('walk_sheet.jpg', percent)] = data = jpeg_bytes(walk_sheet(percent), SHEET_QUALITY)
    sheet, frames, masks = decode(data), [], []
    for i in range(FRAME_COUNT):
        data, solid = sprite_frame(i, percent)
        files[stored_name('quarlo_%02d.jpg' % i, percent)] = data
        masks.append(mask_picture(solid))
        name = stored_name('mask_%02d.bmp' % i, percent)
        files[name] = bmp_bytes(masks[-1]) if percent == 100 else png_bytes(~solid)
        frames.append(decode(data))
    return sheet, frames, masks


def head_of_first_cell(sheet, percent):
    """Rows 0 to 99 and columns 14 to 113 of the first cell shown, at a scale."""
    row, col = display_cell(0)
    w, h = scaled(CELL_W, percent), scaled(CELL_H, percent)
    top, left = row * h, col * w + scaled(14, percent)
    return sheet[top:top + scaled(100, percent), left:left + scaled(100, percent)]


def interface_art(files, percent):
    """Draws the option marks, button faces and hand cursor at a scale into `files`; returns the
    pictures by file stem and the cursor's (white, opaque) pair."""
    pictures = dict(mark_off=ui.mark_off(percent), mark_on=ui.mark_on(percent), **ui.faces(percent))
    for stem, picture in pictures.items():
        name = stored_name(stem + '.bmp', percent)
        files[name] = picture_bytes(picture, name)
    cursor = ui.hand_cursor(percent)
    files[stored_name('hand.cur', percent)] = winfiles.cur_bytes(*cursor, ui.hand_hotspot(percent))
    return pictures, cursor


def generate(out):
    files = {}
    shown = {}

    sheet, shown['frames'], shown['masks'] = sheet_and_sprites(files, 100)
    shown['cells'] = [(sheet[r * CELL_H:(r + 1) * CELL_H, c * CELL_W:(c + 1) * CELL_W], r, c)
                      for r, c in map(display_cell, range(walker.POSES))]
    shown['scaled_sprites'] = [(100, head_of_first_cell(sheet, 100), shown['frames'][0], shown['masks'][0])]
    for percent in ART_SCALES:
        sheet, frames, masks = sheet_and_sprites(files, percent)
        shown['scaled_sprites'].append((percent, head_of_first_cell(sheet, percent), frames[0], masks[0]))

    files['preview.jpg'] = jpeg_bytes(linear_to_srgb8(preview.render()), PREVIEW_QUALITY)
    shown['preview'] = decode(files['preview.jpg'])

    pictures, shown['cursor'] = interface_art(files, 100)
    shown['mark_off'], shown['mark_on'] = pictures.pop('mark_off'), pictures.pop('mark_on')
    shown['faces'] = pictures
    shown['scaled_ui'] = [(percent,) + interface_art(files, percent) for percent in UI_SCALES]

    shown['installer'] = []
    for percent in INSTALLER_SCALES:
        for stem, draw in (('installer_wizard', wizard.wizard), ('installer_header', wizard.header)):
            picture = linear_to_srgb8(draw(percent))
            files[scaled_name(stem + '.bmp', percent)] = bmp_bytes(picture)
            shown['installer'].append((picture, '%s %d %%' % (stem, percent)))

    icons = [icon_image(px) for px in ICON_SIZES]
    files['quarlo.ico'] = winfiles.ico_bytes(icons)
    shown['icons'] = [over_checker(picture, alpha) for picture, alpha in icons]

    ids, counts, scales, entries = resource_tables()
    files['asset_ids.h'] = winfiles.header_text(ids, counts, scales).encode('ascii')
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
