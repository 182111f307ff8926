"""The still picture of the preview pane: the walker small in the middle with quarlos falling around
and in front of it, on black."""
import numpy as np

from . import quarlo, walker

SIZE = (152, 112)

# (left, top, size in px, angle in turns); later entries are in front.
SPRITES = [(4, 6, 30, 0.03), (112, -4, 26, 0.9), (124, 58, 28, 0.12), (10, 70, 34, 0.85),
           (84, 16, 18, 0.3), (40, 2, 16, 0.55), (96, 84, 22, 0.95), (58, 60, 20, 0.08)]
WALK_POSE = 4
WALK_HEIGHT = 100


def _paste(canvas, colour, cover, left, top):
    """Premultiplied 'over' of a picture onto the linear canvas, clipped to its edges."""
    h, w = cover.shape
    H, W, _ = canvas.shape
    y0, x0 = max(top, 0), max(left, 0)
    y1, x1 = min(top + h, H), min(left + w, W)
    if y0 >= y1 or x0 >= x1:
        return
    src = (slice(y0 - top, y1 - top), slice(x0 - left, x1 - left))
    region = canvas[y0:y1, x0:x1]
    canvas[y0:y1, x0:x1] = colour[src] + region * (1 - cover[src])[..., None]


def render():
    """Linear colour of the preview picture."""
    w, h = SIZE
    canvas = np.zeros((h, w, 3))
    scale = WALK_HEIGHT / walker.CELL[1]
    size = (int(round(walker.CELL[0] * scale / 2)) * 2, WALK_HEIGHT)
    colour, cover = walker.render_pose(WALK_POSE, scale=scale, size=size)
    _paste(canvas, colour, cover, (w - size[0]) // 2, (h - size[1]) // 2 + 4)
    for left, top, px, turns in SPRITES:
        colour, cover = quarlo.render_quarlo(2 * np.pi * turns, px=px)
        _paste(canvas, colour, cover, left, top)
    return canvas
