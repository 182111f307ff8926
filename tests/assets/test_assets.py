"""Checks the committed artwork in assets/: file formats and geometry, the frame/mask pairs the saver
draws with AND then XOR, the turning sprite, the walking sheet, the button faces, marks, cursor and
icon, the resource script, what the built Quarlo.scr declares (manifest, link flags, icon
group), and that the generator reproduces every file byte for byte.

    /usr/bin/python3 -m unittest discover -s tests/assets -v
"""
import io
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

import numpy as np
from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
ASSETS = ROOT / 'assets'
FRAMES = 23
CELL_W, CELL_H = 128, 295
TRANSPARENT_MAX = 8         # a frame channel may not exceed this where its mask is white
BRIGHT = 24                 # a pixel above this in some channel counts as drawn
ICON_SIZES = (16, 20, 24, 28, 32, 36, 40, 48, 56, 64, 72, 80, 96, 256)
ART_SCALES, UI_SCALES = (200, 300), (125, 150, 175, 200, 225, 250, 300)
FACE_HEIGHTS = {125: 31, 150: 38, 175: 44, 200: 50, 225: 56, 250: 62, 300: 75}   # 25 x scale, halves to even
HAND = {100: (32, 12, 10), 125: (40, 15, 12), 150: (48, 18, 15), 175: (56, 21, 18),   # size, hot spot
        200: (64, 24, 20), 225: (72, 27, 22), 250: (80, 30, 25), 300: (96, 36, 30)}


def at(name, percent):
    """The file of a picture at a display scale: the 100 % file, or its scaled PNG or JPEG."""
    stem, ext = name.split('.')
    return name if percent == 100 else '%s@%d.%s' % (stem, percent, 'png' if ext == 'bmp' else ext)


def picture(name):
    return np.array(Image.open(ASSETS / name).convert('RGB')).astype(int)


def frame(i, percent=100):
    return picture(at('quarlo_%02d.jpg' % i, percent))


def mask_black(i, percent=100):
    return picture(at('mask_%02d.bmp' % i, percent)).max(axis=2) == 0


def display_cell(k):
    """The k-th cell the saver shows: rows top to bottom, each from column 7 down to 0."""
    row, col = k // 8, 7 - k % 8
    return SHEET[row * CELL_H:(row + 1) * CELL_H, col * CELL_W:(col + 1) * CELL_W]


def difference(a, b):
    return float(np.abs(a - b).mean())


def hex_rgb(code):
    return np.array([int(code[i:i + 2], 16) for i in (1, 3, 5)])


def bmp_header(name):
    data = (ASSETS / name).read_bytes()
    width, height, planes, bits, compression = struct.unpack_from('<iiHHI', data, 18)
    return data[:2], width, height, bits, compression


def icon_rgba(blob):
    """An icon image (a PNG, or a 32-bit bitmap with its AND mask) as top-down RGBA. For a
    bitmap, the AND mask must agree with the alpha: clear exactly where the alpha is above 0."""
    if blob.startswith(b'\x89PNG'):
        with Image.open(io.BytesIO(blob)) as img:
            return np.array(img.convert('RGBA'))
    header, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', blob, 0)
    assert (header, height, planes, bits, compression) == (40, 2 * width, 1, 32, 0), (header, height, bits)
    pixels = np.frombuffer(blob, np.uint8, width * width * 4, 40).reshape(width, width, 4)[::-1]
    stride = (width + 31) // 32 * 4
    mask = np.unpackbits(np.frombuffer(blob, np.uint8, stride * width, 40 + width * width * 4))
    clear = mask.reshape(width, stride * 8)[::-1, :width].astype(bool)
    assert np.array_equal(clear, pixels[..., 3] == 0), 'the AND mask disagrees with the alpha'
    return pixels[..., [2, 1, 0, 3]]


SHEET = picture('walk_sheet.jpg')
FACE_NAMES = ['normal', 'highlight', 'highlightselect', 'selected', 'pressed', 'disable']


class FileFormatTest(unittest.TestCase):
    def test_jpegs_have_their_sizes(self):
        expected = {'walk_sheet.jpg': (1024, 1180), 'preview.jpg': (152, 112)}
        expected.update({'quarlo_%02d.jpg' % i: (60, 60) for i in range(FRAMES)})
        for p in ART_SCALES:
            expected.update({at(name, p): (w * p // 100, h * p // 100) for name, (w, h) in expected.items()
                             if name != 'preview.jpg' and '@' not in name})
        for name, size in expected.items():
            with self.subTest(name), Image.open(ASSETS / name) as img:
                self.assertEqual((img.format, img.mode, img.size), ('JPEG', 'RGB', size))

    def test_bitmaps_are_uncompressed_24_bit(self):
        expected = {'mark_off.bmp': (12, 12), 'mark_on.bmp': (12, 12)}
        expected.update({'mask_%02d.bmp' % i: (60, 60) for i in range(FRAMES)})
        expected.update({'face_%s.bmp' % n: (64, 25) for n in FACE_NAMES})
        expected.update({'installer_wizard.bmp': (164, 314), 'installer_wizard@200.bmp': (328, 628),
                         'installer_header.bmp': (150, 57), 'installer_header@200.bmp': (300, 114)})
        for name, (w, h) in expected.items():
            with self.subTest(name):
                self.assertEqual(bmp_header(name), (b'BM', w, h, 24, 0))

    def test_scaled_bitmaps_are_png_of_their_sizes_with_1_bit_masks(self):
        sizes = {'mask_%02d.bmp' % i: ('1', 60, 60, ART_SCALES) for i in range(FRAMES)}
        sizes.update({'mark_%s.bmp' % n: ('RGB', 12, 12, UI_SCALES) for n in ('off', 'on')})
        sizes.update({'face_%s.bmp' % n: ('RGB', 64, None, UI_SCALES) for n in FACE_NAMES})
        expected = {at(name, p): (mode, w * p // 100, h * p // 100 if h else FACE_HEIGHTS[p])
                    for name, (mode, w, h, scales) in sizes.items() for p in scales}
        for name, (mode, w, h) in expected.items():
            with self.subTest(name), Image.open(ASSETS / name) as img:
                self.assertEqual((img.format, img.mode, img.size), ('PNG', mode, (w, h)))

    def test_icon_holds_32_bit_images_of_the_sprite_at_every_size_windows_asks_for(self):
        data = (ASSETS / 'quarlo.ico').read_bytes()
        reserved, kind, count = struct.unpack_from('<HHH', data, 0)
        self.assertEqual((reserved, kind), (0, 1))
        entries = [struct.unpack_from('<BBBBHHII', data, 6 + 16 * i) for i in range(count)]
        self.assertEqual([(w or 256, h or 256, planes, bits) for w, h, _, _, planes, bits, _, _ in entries],
                         [(px, px, 1, 32) for px in ICON_SIZES])
        for (_, _, _, _, _, _, size, offset), px in zip(entries, ICON_SIZES):
            with self.subTest(px=px):
                self.assertLessEqual(offset + size, len(data))
                rgba = icon_rgba(data[offset:offset + size])
                self.assertEqual(rgba.shape, (px, px, 4))
                alpha = rgba[..., 3]
                self.assertTrue(0.25 < (alpha >= 128).mean() < 0.85, 'share of opaque pixels')
                self.assertEqual(alpha[0, 0], 0, 'the corner is transparent')
                if px >= 32:
                    self.assertGreater(((alpha > 0) & (alpha < 255)).sum(), px, 'the edge is smooth')
                colours = rgba[alpha >= 128][:, :3].astype(int)
                orange = (colours[:, 0] > colours[:, 2] + 60).mean()
                self.assertGreater(orange, 0.5, 'the icon should show the orange quarlo')

    def test_cursor_is_a_two_colour_hand_with_its_hot_spot_on_the_finger_tip_at_every_scale(self):
        for percent, size_and_hot_spot in HAND.items():
            with self.subTest(percent=percent):
                self.check_hand(at('hand.cur', percent), *size_and_hot_spot)

    def check_hand(self, name, n, x, y):
        data = (ASSETS / name).read_bytes()
        self.assertEqual(struct.unpack_from('<HHH', data, 0), (0, 2, 1))
        w, h, colours, _, hot_x, hot_y, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
        self.assertEqual((w, h, colours, hot_x, hot_y), (n, n, 2, x, y))
        self.assertEqual(struct.unpack_from('<IiiHHI', data, offset), (40, n, 2 * n, 1, 1, 0))
        self.assertEqual(data[offset + 40:offset + 48], bytes([0, 0, 0, 0, 255, 255, 255, 0]))
        stride = (n + 31) // 32 * 4
        bits = np.unpackbits(np.frombuffer(data, np.uint8, 2 * n * stride, offset + 48)).reshape(2 * n, -1)[:, :n]
        xor, clear = bits[:n][::-1].astype(bool), bits[n:][::-1].astype(bool)
        self.assertEqual(len(data), offset + size)
        self.assertFalse((xor & clear).any(), 'no pixel may invert the screen')
        self.assertTrue(clear[0, 0] and clear[-1, -1] and clear[:y].all(), 'clear above the finger tip')
        self.assertFalse(clear[y, x], 'the hot spot is on the finger tip')
        white, black = xor & ~clear, ~xor & ~clear
        self.assertGreater(white.sum(), 140 * (n / 32) ** 2)
        self.assertGreater(black.sum(), 60 * n / 32)
        outside = np.pad(clear, 1, constant_values=True)
        touching = outside[:-2, 1:-1] | outside[2:, 1:-1] | outside[1:-1, :-2] | outside[1:-1, 2:]
        self.assertFalse((white & touching).any(), 'the white hand has a black outline all round')


class FrameMaskPairTest(unittest.TestCase):
    PAIRS = [(i, p) for p in (100,) + ART_SCALES for i in range(FRAMES)]

    def test_masks_are_only_pure_black_and_white(self):
        for i, p in self.PAIRS:
            with self.subTest(mask=i, percent=p):
                colours = {tuple(c) for c in picture(at('mask_%02d.bmp' % i, p)).reshape(-1, 3)}
                self.assertEqual(colours, {(0, 0, 0), (255, 255, 255)})

    def test_frames_are_dark_wherever_the_mask_is_white(self):
        for i, p in self.PAIRS:
            with self.subTest(frame=i, percent=p):
                outside = frame(i, p)[~mask_black(i, p)]
                self.assertLessEqual(int(outside.max()), TRANSPARENT_MAX)

    def test_the_mask_covers_the_sprite_closely(self):
        for i, p in self.PAIRS:
            with self.subTest(frame=i, percent=p):
                black, n, margin = mask_black(i, p), 60 * p // 100, 2 * p // 100
                self.assertTrue(0.2 < black.mean() < 0.6, 'sprite area %.2f' % black.mean())
                drawn = frame(i, p).max(axis=2) > BRIGHT
                self.assertGreater((drawn & black).sum() / black.sum(), 0.75, 'frame carries the sprite')
                near = np.pad(drawn, margin)
                near = np.any([near[y:y + n, x:x + n] for y in range(2 * margin + 1)
                               for x in range(2 * margin + 1)], axis=0)
                self.assertFalse((black & ~near).any(), 'mask reaches beyond a slight margin')
                self.assertFalse(black[0].any() or black[-1].any() or black[:, 0].any() or black[:, -1].any())


class ScaledArtworkTest(unittest.TestCase):
    def test_sheet_and_frames_averaged_back_down_match_the_100_percent_ones(self):
        shrink = lambda pixels, s: pixels.reshape(pixels.shape[0] // s, s, -1, s, 3).mean(axis=(1, 3))
        for name, p in [(name, p) for name in ['walk_sheet.jpg'] + ['quarlo_%02d.jpg' % i for i in range(FRAMES)]
                        for p in ART_SCALES]:
            with self.subTest(at(name, p)):
                # Moved by one pixel of the scaled picture, the difference is 1.75 or more.
                self.assertLess(difference(shrink(picture(at(name, p)), p // 100), picture(name)), 1.6)

    def test_button_faces_keep_their_frame_bands_as_solid_runs_4_x_scale_deep(self):
        runs = lambda line: line[np.r_[True, np.abs(np.diff(line, axis=0)).max(axis=1) > 3]]
        for name, p in [(name, p) for name in FACE_NAMES for p in UI_SCALES]:
            small, big, d = face(name), picture(at('face_%s.bmp' % name, p)), 4 * p // 100
            h, w = big.shape[:2]
            for scaled, original in ((big[h // 2, :d + 1], small[12, :5]), (big[h // 2, -d - 1:], small[12, -5:]),
                                     (big[:d + 1, w // 2], small[:5, 32]), (big[-d - 1:, w // 2], small[-5:, 32])):
                with self.subTest(face=name, percent=p):
                    self.assertEqual(runs(scaled).shape, runs(original).shape, scaled)
                    self.assertTrue(close(runs(scaled), runs(original)), (scaled, original))


class TurningSpriteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.frames = [frame(i) for i in range(FRAMES)]
        cls.steps = [difference(cls.frames[i], cls.frames[(i + 1) % FRAMES]) for i in range(FRAMES)]

    def test_every_frame_differs_from_every_other(self):
        for i in range(FRAMES):
            for j in range(i + 1, FRAMES):
                self.assertGreater(difference(self.frames[i], self.frames[j]), 1.0, (i, j))

    def test_frame_22_flows_into_frame_0_like_any_other_step(self):
        last, before, after = self.steps[-1], self.steps[-2], self.steps[0]
        self.assertGreaterEqual(last, 0.75 * min(before, after))
        self.assertLessEqual(last, 1.25 * max(before, after))

    def test_steps_change_smoothly_with_no_skipped_or_repeated_angle(self):
        for i in range(FRAMES):
            a, b = self.steps[i], self.steps[(i + 1) % FRAMES]
            self.assertLess(max(a, b) / min(a, b), 1.5, 'steps %d and %d' % (i, i + 1))

    def test_the_opposite_side_differs_more_than_the_next_frame(self):
        for i in range(FRAMES):
            opposite = difference(self.frames[i], self.frames[(i + 11) % FRAMES])
            self.assertGreater(opposite, 1.15 * self.steps[i], i)

    def test_silhouette_changes_with_the_angle(self):
        front, side = mask_black(0), mask_black(6)
        overlap = (front & side).sum() / (front | side).sum()
        self.assertLess(overlap, 0.93)


class WalkSheetTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.cells = [display_cell(k) for k in range(32)]
        cls.drawn = [c.max(axis=2) > BRIGHT for c in cls.cells]

    def test_every_cell_holds_the_figure_inside_its_borders(self):
        for k, drawn in enumerate(self.drawn):
            with self.subTest(cell=k):
                rows, cols = np.flatnonzero(drawn.any(axis=1)), np.flatnonzero(drawn.any(axis=0))
                self.assertGreater(drawn.sum(), 6000)
                self.assertGreater(rows[-1] - rows[0], 240, 'figure height')
                self.assertTrue(rows[0] >= 3 and rows[-1] <= CELL_H - 4, (rows[0], rows[-1]))
                self.assertTrue(cols[0] >= 3 and cols[-1] <= CELL_W - 4, (cols[0], cols[-1]))
        self.assertTrue((SHEET.max(axis=2) <= BRIGHT)[:2].all(), 'sheet background is black')

    def test_all_cells_differ(self):
        for i in range(32):
            for j in range(i + 1, 32):
                self.assertGreater(difference(self.cells[i], self.cells[j]), 0.3, (i, j))

    def test_the_cycle_loops_without_a_jump(self):
        steps = [difference(self.cells[k], self.cells[(k + 1) % 32]) for k in range(32)]
        self.assertLessEqual(steps[-1], 1.3 * max(steps[:-1]))
        self.assertLess(max(steps), 3.0 * np.median(steps), 'one step jumps')

    def test_legs_alternate_half_a_cycle_apart(self):
        """Half a cycle later the legs have swapped: the lower body looks mirrored, not repeated."""
        mirrored = repeated = 0.0
        for k in range(16):
            a, b = self.drawn[k][170:], self.drawn[k + 16][170:]
            mirrored += (a[:, ::-1] & b).sum() / (a[:, ::-1] | b).sum()
            repeated += (a & b).sum() / (a | b).sum()
        self.assertGreater(mirrored, repeated + 0.5)

    def test_body_bobs_twice_per_cycle(self):
        tops = np.array([np.flatnonzero(d[:, 20:108].any(axis=1))[0] for d in self.drawn])
        self.assertGreaterEqual(tops.max() - tops.min(), 2)
        self.assertLessEqual(np.abs(tops[:16] - tops[16:]).max(), 1, 'one bob per step')
        self.assertLessEqual(np.abs(tops - np.roll(tops, 1)).max(), 2, 'the head moves without jerks')


def face(name):
    return picture('face_%s.bmp' % name)


def close(a, b, tolerance=4):
    return bool(np.all(np.abs(np.asarray(a) - np.asarray(b)) <= tolerance))


class ButtonFaceTest(unittest.TestCase):
    KEY_COLOURS = {   # (x, y): colour, for the pixels that the layout fixes
        'normal': {(1, 12): '#003C74', (62, 12): '#003C74', (31, 1): '#003C74', (31, 23): '#003C74',
                   (31, 2): '#FEFEFE', (2, 12): '#FEFEFE', (31, 12): '#F3F3EE', (31, 21): '#E0DED4',
                   (31, 22): '#D6D0C5', (0, 0): '#ECE9D8', (63, 24): '#E0DCC9'},
        'highlight': {(1, 12): '#003C74', (31, 1): '#003C74', (31, 2): '#FFF0CF', (31, 3): '#FDD889',
                      (2, 12): '#FCCA69', (61, 12): '#FCCA69', (31, 21): '#F8B330', (31, 22): '#E59700'},
        'selected': {(1, 12): '#003C74', (31, 23): '#003C74', (31, 2): '#CEE7FF', (2, 4): '#A9C5EF',
                     (61, 20): '#8BADE4', (31, 22): '#6982EE'},
        'pressed': {(2, 12): '#003C74', (61, 12): '#003C74', (31, 2): '#003C74', (31, 22): '#003C74',
                    (0, 0): '#ECE9D8', (1, 12): '#ECE9D8', (62, 12): '#ECE9D8', (31, 23): '#ECE9D8',
                    (63, 24): '#ECE9D8', (31, 3): '#D0CBBF', (31, 21): '#F2F1EE'},
        'disable': {(1, 12): '#C9C7BA', (62, 12): '#C9C7BA', (31, 1): '#C9C7BA', (31, 23): '#C9C7BA',
                    (31, 12): '#F5F4EA', (2, 12): '#F5F4EA', (0, 12): '#ECE9D8', (63, 24): '#ECE9D8'},
    }

    def test_key_colours_sit_at_their_pixels(self):
        for name, pixels in self.KEY_COLOURS.items():
            img = face(name)
            for (x, y), code in pixels.items():
                with self.subTest(face=name, x=x, y=y):
                    self.assertTrue(close(img[y, x], hex_rgb(code)), '%s, want %s' % (img[y, x], code))

    def test_outer_ring_is_beige_all_round(self):
        for name in FACE_NAMES:
            img = face(name)
            ring = np.concatenate([img[0], img[-1], img[:, 0], img[:, -1]])
            with self.subTest(face=name):
                self.assertTrue(np.all((ring >= hex_rgb('#E0DCC9') - 3) & (ring <= hex_rgb('#ECE9D8') + 3)))

    def test_corners_are_rounded_and_anti_aliased(self):
        for name in ('normal', 'highlight', 'selected'):
            img = face(name)
            outline = hex_rgb('#003C74')
            beige = hex_rgb('#ECE9D8')
            with self.subTest(face=name):
                corner = img[1:4, 1:4].reshape(-1, 3)
                blends = [c for c in corner if not close(c, outline, 24) and not close(c, beige, 24)
                          and not close(c, img[12, 31], 24)]
                self.assertGreaterEqual(len(blends), 2, 'the corner curve is anti-aliased')
                self.assertFalse(close(img[1, 1], outline, 24), 'the outline does not reach the corner')
                self.assertTrue(close(img[1, 5], outline), 'the straight outline starts near the corner')

    def test_hover_face_serves_for_hover_with_focus(self):
        self.assertTrue(np.array_equal(face('highlight'), face('highlightselect')))
        self.assertEqual((ASSETS / 'face_highlight.bmp').read_bytes(),
                         (ASSETS / 'face_highlightselect.bmp').read_bytes())

    def test_pressed_outline_is_the_normal_outline_moved_in_by_one_pixel(self):
        dark = {n: np.abs(face(n) - hex_rgb('#003C74')).max(axis=2) < 50 for n in ('normal', 'pressed')}
        self.assertTrue(np.array_equal(dark['pressed'][1:8, 1:8], dark['normal'][0:7, 0:7]))
        self.assertTrue(np.array_equal(dark['pressed'][-8:-1, -8:-1], dark['normal'][-7:, -7:]))
        self.assertFalse(dark['pressed'][:, :2].any() or dark['pressed'][:2].any())

    def test_disabled_face_has_no_dark_outline(self):
        self.assertGreater(face('disable').min(), 180)


class OptionMarkTest(unittest.TestCase):
    def test_unchosen_mark_is_a_light_square_with_a_grey_border(self):
        mark = picture('mark_off.bmp')
        inside, border = mark[2:-2, 2:-2], mark[0, 3:-3]
        self.assertGreater(inside.min(), 215)
        self.assertLess(border.max(), 170)
        self.assertLess(np.ptp(border[0]), 12, 'the border is grey, not coloured')

    def test_chosen_mark_is_a_filled_blue_square(self):
        mark = picture('mark_on.bmp')
        inside = mark[2:-2, 2:-2]
        self.assertTrue(np.all(inside[..., 2] > inside[..., 0] + 60), 'blue throughout')
        self.assertGreater(mark[2:4, 2:-2].mean(), mark[-4:-2, 2:-2].mean(), 'lit from above')


class ResourceScriptTest(unittest.TestCase):
    IDS = {'IDR_WALK_SHEET': 100, 'IDR_QUARLO_FIRST': 200, 'IDR_MASK_FIRST': 300, 'IDR_PREVIEW': 400,
           'IDR_MARK_OFF': 410, 'IDR_MARK_ON': 411, 'IDR_FACE_NORMAL': 420, 'IDR_FACE_HIGHLIGHT': 421,
           'IDR_FACE_HIGHLIGHTSELECT': 422, 'IDR_FACE_SELECTED': 423, 'IDR_FACE_PRESSED': 424,
           'IDR_FACE_DISABLE': 425, 'IDC_HAND_POINTER': 500, 'IDI_QUARLO': 1, 'QUARLO_FRAME_COUNT': 23,
           'QUARLO_ART_SCALES': ART_SCALES, 'QUARLO_UI_SCALES': UI_SCALES, 'QUARLO_UI_SCALE_COUNT': 7}

    def defines(self):
        text = (ASSETS / 'asset_ids.h').read_text()
        values = re.findall(r'#define\s+(\w+)\s+(\d+(?:, \d+)*)\n', text)
        return {name: int(v) if v.isdigit() else tuple(map(int, v.split(', '))) for name, v in values}

    def entries(self):
        text = (ASSETS / 'assets.rc').read_text()
        ids = self.defines()
        found = {}
        for name, offset, percent, kind, path in re.findall(
                r'^(?:QUARLO_SCALED_ID\()?(\w+)(?: \+ (\d+))?(?:, (\d+)\))?\s+(RCDATA|ICON|CURSOR)\s+"([^"]+)"',
                text, re.M):
            found[path] = (kind, ids[name] + int(offset or 0) + 100 * int(percent or 0))
        return found

    def test_identifiers_have_their_agreed_values(self):
        defines = self.defines()
        for name, value in self.IDS.items():
            with self.subTest(name):
                self.assertEqual(defines.get(name), value)

    def test_script_names_every_picture_once_with_its_identifier(self):
        expected = {'assets/walk_sheet.jpg': ('RCDATA', 100), 'assets/preview.jpg': ('RCDATA', 400),
                    'assets/mark_off.bmp': ('RCDATA', 410), 'assets/mark_on.bmp': ('RCDATA', 411),
                    'assets/hand.cur': ('CURSOR', 500), 'assets/quarlo.ico': ('ICON', 1)}
        expected.update({'assets/face_%s.bmp' % n: ('RCDATA', 420 + i) for i, n in enumerate(FACE_NAMES)})
        expected.update({'assets/quarlo_%02d.jpg' % i: ('RCDATA', 200 + i) for i in range(FRAMES)})
        expected.update({'assets/mask_%02d.bmp' % i: ('RCDATA', 300 + i) for i in range(FRAMES)})
        for path, (kind, ident) in list(expected.items()):
            name = path.split('/')[1]
            scales = ART_SCALES if name.startswith(('walk', 'quarlo_', 'mask')) else UI_SCALES
            expected.update({'assets/' + at(name, p): (kind, ident + 100 * p) for p in scales
                             if name not in ('preview.jpg', 'quarlo.ico')})
        self.assertEqual(self.entries(), expected)
        for path in expected:
            self.assertTrue((ROOT / path).is_file(), path)

    @unittest.skipUnless(shutil.which('i686-w64-mingw32-windres'), 'needs the mingw-w64 resource compiler')
    def test_script_compiles(self):
        with tempfile.TemporaryDirectory() as tmp:
            run = subprocess.run(['i686-w64-mingw32-windres', '-I.', 'assets/assets.rc', '-O', 'coff',
                                  '-o', os.path.join(tmp, 'a.o')], cwd=ROOT, capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)


class BuiltProgramTest(unittest.TestCase):
    """What the built Quarlo.scr declares to Windows: its manifest, its link flags and its icon."""
    SUPPORTED_OS = {'{e2011457-1546-43c5-a5fe-008deee3d3f0}',   # Vista
                    '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',   # 7
                    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}',   # 8
                    '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',   # 8.1
                    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'}   # 10 and 11
    RT_ICON, RT_RCDATA, RT_GROUP_CURSOR, RT_GROUP_ICON, RT_MANIFEST = 3, 10, 12, 14, 24
    TERMINAL_SERVER_AWARE = 0x8000

    @classmethod
    def setUpClass(cls):
        import pefile
        path = Path(os.environ.get('QUARLO_SCR') or ROOT / 'build' / 'win32' / 'Quarlo.scr')
        if not path.is_file():
            raise AssertionError(f'{path} is missing: run scripts/build.sh win32')
        cls.pe = pefile.PE(str(path))

    def resource(self, kind, ident):
        """The bytes of one resource (its first language)."""
        for type_entry in self.pe.DIRECTORY_ENTRY_RESOURCE.entries:
            if type_entry.id != kind:
                continue
            for entry in type_entry.directory.entries:
                if entry.id == ident:
                    data = entry.directory.entries[0].data.struct
                    return self.pe.get_data(data.OffsetToData, data.Size)
        self.fail(f'no resource of type {kind} with id {ident}')

    def test_manifest_names_every_windows_from_vista_on_draws_for_each_monitor_and_asks_no_level(self):
        manifest = ET.fromstring(self.resource(self.RT_MANIFEST, 1))
        local = lambda element: element.tag.rsplit('}', 1)[-1]
        elements = list(manifest.iter())
        self.assertEqual({e.get('Id') for e in elements if local(e) == 'supportedOS'}, self.SUPPORTED_OS)
        # Aware of each monitor's scale (per monitor v2, per monitor on 8.1); nothing stretched.
        awareness = {local(e): e.text for e in elements if local(e) in ('dpiAware', 'dpiAwareness', 'gdiScaling')}
        self.assertEqual(awareness, {'dpiAware': 'true/pm', 'dpiAwareness': 'PerMonitorV2, PerMonitor'})
        # No execution level: the program stays eligible for file virtualisation.
        self.assertEqual([local(e) for e in elements if local(e) in ('requestedExecutionLevel', 'trustInfo')], [])

    def test_linked_terminal_server_aware_for_windows_vista_and_later(self):
        header = self.pe.OPTIONAL_HEADER
        self.assertTrue(header.DllCharacteristics & self.TERMINAL_SERVER_AWARE,
                        f'DllCharacteristics {header.DllCharacteristics:#x}')
        self.assertEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (6, 0))
        self.assertEqual(header.Subsystem, 2, 'a GUI program')

    def test_every_picture_and_cursor_is_stored_under_the_identifier_the_script_gives(self):
        entries = ResourceScriptTest().entries()
        stored = {t.id: {e.id for e in t.directory.entries} for t in self.pe.DIRECTORY_ENTRY_RESOURCE.entries}
        self.assertEqual(stored[self.RT_GROUP_CURSOR], {i for kind, i in entries.values() if kind == 'CURSOR'})
        for path, (kind, ident) in entries.items():
            if kind == 'RCDATA':
                self.assertEqual(self.resource(self.RT_RCDATA, ident), (ROOT / path).read_bytes(), path)

    def test_icon_group_holds_the_32_bit_images(self):
        group = self.resource(self.RT_GROUP_ICON, 1)
        reserved, kind, count = struct.unpack_from('<HHH', group, 0)
        self.assertEqual((reserved, kind), (0, 1))
        entries = [struct.unpack_from('<BBBBHHIH', group, 6 + 14 * i) for i in range(count)]
        self.assertEqual(sorted((w or 256, h or 256, bits) for w, h, _, _, _, bits, _, _ in entries),
                         [(px, px, 32) for px in ICON_SIZES])
        for w, _, _, _, _, _, size, ident in entries:
            with self.subTest(px=w or 256):
                image = self.resource(self.RT_ICON, ident)
                self.assertEqual(len(image), size)
                self.assertEqual(icon_rgba(image).shape, (w or 256, w or 256, 4))


class GeneratorTest(unittest.TestCase):
    def test_generator_reproduces_every_committed_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            run = subprocess.run([sys.executable, str(ASSETS / 'generate.py'), '--out', tmp],
                                 capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stderr)
            made = sorted(os.listdir(tmp))
            self.assertEqual(made, sorted(p.name for p in ASSETS.glob('*.*') if p.suffix != '.py'))
            for name in made:
                with self.subTest(name):
                    self.assertEqual(Path(tmp, name).read_bytes(), (ASSETS / name).read_bytes(),
                                     'differs from the committed file')


if __name__ == '__main__':
    unittest.main()
