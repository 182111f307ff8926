"""The installer's pictures: the tall one of the welcome and finish pages (the walker with quarlos
falling around it, on black like the saver) and the header's (three quarlos on the header's white).

Both are drawn at 100 % and at 200 %, from the same layout: every position and size is the 100 %
one times the scale."""
import numpy as np

from . import preview, quarlo, walker
from .scaling import scaled

WIZARD_SIZE = (164, 314)
HEADER_SIZE = (150, 57)

WIZARD_POSE = 12
WIZARD_WALKER_HEIGHT = 236
# (left, top, size in px, angle in turns) at 100 %; later entries are in front.
WIZARD_SPRITES = [(100, 8, 34, 0.9), (14, 30, 26, 0.06), (70, 58, 20, 0.5), (118, 96, 30, 0.15),
                  (6, 118, 24, 0.8), (34, 196, 30, 0.02), (112, 232, 36, 0.88), (2, 262, 28, 0.3)]
HEADER_SPRITES = [(2, 12, 40, 0.9), (44, 20, 34, 0.98), (86, 2, 54, 0.07)]


def _walker(canvas, percent):
    """Pastes the walker, WIZARD_WALKER_HEIGHT tall at 100 %, standing on the picture's bottom."""
    height = scaled(WIZARD_WALKER_HEIGHT, percent)
    scale = height / walker.CELL[1]
    size = (int(round(walker.CELL[0] * scale / 2)) * 2, height)
    colour, cover = walker.render_pose(WIZARD_POSE, scale=scale, size=size, ink=walker.INK * scale)
    h, w, _ = canvas.shape
    preview._paste(canvas, colour, cover, (w - size[0]) // 2, h - size[1] - scaled(4, percent))


def _sprites(canvas, sprites, percent):
    for left, top, px, turns in sprites:
        colour, cover = quarlo.render_quarlo(2 * np.pi * turns, px=scaled(px, percent))
        preview._paste(canvas, colour, cover, scaled(left, percent), scaled(top, percent))


def wizard(percent=100):
    """Linear colour of the welcome and finish pages' picture at a scale."""
    w, h = (scaled(n, percent) for n in WIZARD_SIZE)
    canvas = np.zeros((h, w, 3))
    _walker(canvas, percent)
    _sprites(canvas, WIZARD_SPRITES, percent)
    return canvas


def header(percent=100):
    """Linear colour of the header's picture at a scale, on the header's white."""
    w, h = (scaled(n, percent) for n in HEADER_SIZE)
    canvas = np.ones((h, w, 3))
    _sprites(canvas, HEADER_SPRITES, percent)
    return canvas
