"""One overview picture of every stored asset, labelled, for the README and for review."""
import numpy as np
from PIL import Image, ImageDraw, ImageFont

WIDTH = 1152
MARGIN = 24
BACKDROP = (30, 32, 38)
FRAME = (70, 74, 84)
TEXT = (214, 218, 226)
DIM = (150, 156, 168)


def _zoom(picture, factor):
    img = Image.fromarray(picture)
    return img.resize((img.width * factor, img.height * factor), Image.NEAREST)


def _checker(w, h, cell=6):
    yy, xx = np.mgrid[0:h, 0:w]
    light = ((yy // cell + xx // cell) % 2).astype(bool)
    out = np.empty((h, w, 3), np.uint8)
    out[light], out[~light] = (118, 122, 132), (92, 96, 106)
    return out


def drawn_over_checker(frame, mask):
    """What the screen shows: the backdrop ANDed with the mask, then XORed with the frame."""
    h, w = mask.shape[:2]
    return (_checker(w, h) & mask) ^ frame


def cursor_preview(white, opaque):
    out = _checker(*white.shape[::-1], cell=4)
    out[opaque & ~white] = 0
    out[opaque & white] = 255
    return out


class Sheet:
    def __init__(self):
        self.parts = []     # (y, image) pairs
        self.texts = []     # (x, y, text, colour, scale)
        self.y = MARGIN

    def heading(self, text, note=''):
        self.y += 10
        self.texts.append((MARGIN, self.y, text, TEXT, 2))
        if note:
            self.texts.append((MARGIN, self.y + 26, note, DIM, 1))
        self.y += 44 if note else 30

    def row(self, tiles, gap=12):
        """Places (image, label) tiles left to right, wrapping at the sheet's width."""
        x, line_h = MARGIN, 0
        for image, label in tiles:
            if x + image.width > WIDTH - MARGIN:
                self.y += line_h + gap
                x, line_h = MARGIN, 0
            self.parts.append((x, self.y, image))
            if label:
                self.texts.append((x, self.y + image.height + 3, label, DIM, 1))
            x += image.width + gap
            line_h = max(line_h, image.height + (16 if label else 0))
        self.y += line_h + gap

    def render(self):
        sheet = Image.new('RGB', (WIDTH, self.y + MARGIN), BACKDROP)
        draw = ImageDraw.Draw(sheet)
        for x, y, image in self.parts:
            draw.rectangle([x - 1, y - 1, x + image.width, y + image.height], outline=FRAME)
            sheet.paste(image, (x, y))
        font = ImageFont.load_default()
        for x, y, text, colour, scale in self.texts:
            _text(sheet, x, y, text, colour, scale, font)
        return sheet


def _text(sheet, x, y, text, colour, scale, font):
    left, top, right, bottom = font.getbbox(text)
    label = Image.new('L', (right + 1, bottom + 1), 0)
    ImageDraw.Draw(label).text((0, 0), text, fill=255, font=font)
    if scale > 1:
        label = label.resize((label.width * scale, label.height * scale), Image.NEAREST)
    sheet.paste(Image.new('RGB', label.size, colour), (x, y), label)


def build(a):
    """`a` holds the decoded assets: cells, frames, masks, preview, marks, faces, cursor, icons."""
    sheet = Sheet()
    sheet.heading('QUARLO - STORED ARTWORK', 'Every picture below is drawn by assets/generate.py.')
    sheet.heading('Walking figure', 'The 32 sheet cells in the order they are shown: '
                  'row 0 from column 7 down to 0, then rows 1, 2 and 3; each for 6 frames.')
    sheet.row([(Image.fromarray(cell), '%2d  r%d c%d' % (k, r, c)) for k, (cell, r, c) in enumerate(a['cells'])],
              gap=8)
    sheet.heading('Quarlo sprite', 'The 23 turning frames at 2x; below each: its mask, and the pair '
                  'drawn with AND then XOR over a checker.')
    tiles = []
    for i, (frame, mask) in enumerate(zip(a['frames'], a['masks'])):
        tile = Image.new('RGB', (124, 188), BACKDROP)
        tile.paste(_zoom(frame, 2), (2, 0))
        tile.paste(Image.fromarray(mask), (2, 124))
        tile.paste(Image.fromarray(drawn_over_checker(frame, mask)), (64, 124))
        tiles.append((tile, 'frame %02d' % i))
    sheet.row(tiles, gap=8)
    sheet.heading('Preview picture, option marks, cursor and icon', 'Preview at 2x, marks and cursor at 4x, '
                  'icons up to 48 px at 3x and at 256 px at 1x (cursor and icons over a checker where '
                  'they are transparent).')
    sheet.row([(_zoom(a['preview'], 2), 'preview 152 x 112'),
               (_zoom(a['mark_off'], 4), 'mark off'), (_zoom(a['mark_on'], 4), 'mark on'),
               (_zoom(cursor_preview(*a['cursor']), 4), 'hand, hot spot (12,10)')]
              + [(_zoom(icon, 3 if icon.shape[0] <= 48 else 1), 'icon %d' % icon.shape[0])
                 for icon in a['icons']], gap=20)
    sheet.heading('Button faces', 'The six 64 x 25 faces at 4x; only their outer 4-pixel frame is used.')
    sheet.row([(_zoom(face, 4), name) for name, face in a['faces'].items()], gap=20)
    sheet.heading('Installer', 'The welcome and finish pages\' picture and the header\'s, at 100 and 200 %.')
    sheet.row([(Image.fromarray(picture), label) for picture, label in a['installer']], gap=20)
    sheet.heading('At other display scales', 'At 1x: the head of the first cell and frame 00 (with its mask, '
                  'over a checker) at 100, 200 and 300 %; the normal face, marks and hand at 125 to 300 %.')
    sprites = a['scaled_sprites']
    sheet.row([(Image.fromarray(head), '%d %%' % percent) for percent, head, _, _ in sprites]
              + [(Image.fromarray(drawn_over_checker(frame, mask)), '%d %%' % percent)
                 for percent, _, frame, mask in sprites])
    sheet.row([(Image.fromarray(pictures['face_normal']), '%d %%' % percent)
               for percent, pictures, _ in a['scaled_ui']])
    tiles = []
    for percent, pictures, cursor in a['scaled_ui']:
        marks = np.concatenate([pictures['mark_off'], np.full_like(pictures['mark_on'][:, :4], 255),
                                pictures['mark_on']], axis=1)
        tiles += [(Image.fromarray(marks), '%d' % percent), (Image.fromarray(cursor_preview(*cursor)), '')]
    sheet.row(tiles)
    return sheet.render()
