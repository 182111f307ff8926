"""Pictures of the settings dialog: the six button faces, the two option marks and the hand cursor."""
import numpy as np

FACE_SIZE = (64, 25)
MARK_SIZE = 12
BEIGE, BEIGE_LOW = '#ECE9D8', '#E0DCC9'
OUTLINE, OUTLINE_DISABLED = '#003C74', '#C9C7BA'


def rgb(code):
    code = code.lstrip('#')
    return np.array([int(code[i:i + 2], 16) for i in (0, 2, 4)], float)


def _blend(a, b, t):
    return rgb(a) + (rgb(b) - rgb(a)) * t


def rounded_rect_cover(size, box, radius, ss=16):
    """Share of each pixel covered by the rounded rectangle `box` = (x0, y0, x1, y1) in pixel edges."""
    w, h = size
    x0, y0, x1, y1 = box
    offsets = (np.arange(ss) + 0.5) / ss
    xs = (np.arange(w)[:, None] + offsets).ravel()
    ys = (np.arange(h)[:, None] + offsets).ravel()
    cx = np.clip(xs, x0 + radius, x1 - radius)
    cy = np.clip(ys, y0 + radius, y1 - radius)
    inside = ((xs[None, :] - cx[None, :]) ** 2 + (ys[:, None] - cy[:, None]) ** 2 <= radius ** 2)
    inside &= (xs[None, :] >= x0) & (xs[None, :] <= x1) & (ys[:, None] >= y0) & (ys[:, None] <= y1)
    return inside.reshape(h, ss, w, ss).mean(axis=(1, 3))


def _ring_colours(top, left, right, bottom, face, inset):
    """Colour of every pixel inside the outline: a two-pixel ring given per side, `face` within.

    Each side is a pair (next to the outline, one further in); a side may instead be a pair of
    (top colour, bottom colour) gradients given as callables of the row."""
    w, h = FACE_SIZE
    out = np.tile(face, (h, w, 1)).astype(float)
    lo, hi_x, hi_y = 2 + inset, w - 3 - inset, h - 3 - inset
    for k in range(2):
        for y in range(lo + 2, hi_y - 1):
            out[y, lo + k] = left[k](y) if callable(left[k]) else left[k]
            out[y, hi_x - k] = right[k](y) if callable(right[k]) else right[k]
        out[lo + k, lo:hi_x + 1] = top[k]
        out[hi_y - k, lo:hi_x + 1] = bottom[k]
    return out


def _face(outline, inner, background, inset=0):
    """Composes background, anti-aliased rounded outline and the inner colours."""
    w, h = FACE_SIZE
    outer = rounded_rect_cover(FACE_SIZE, (1 + inset, 1 + inset, w - 1 - inset, h - 1 - inset), 3.0)
    core = rounded_rect_cover(FACE_SIZE, (2 + inset, 2 + inset, w - 2 - inset, h - 2 - inset), 2.0)
    picture = (background * (1 - outer)[..., None] + rgb(outline) * (outer - core)[..., None]
               + inner * core[..., None])
    return np.clip(np.round(picture), 0, 255).astype(np.uint8)


def _background(gradient):
    w, h = FACE_SIZE
    rows = [_blend(BEIGE, BEIGE_LOW, y / (h - 1) if gradient else 0) for y in range(h)]
    return np.repeat(np.array(rows)[:, None, :], w, axis=1)


def _side_gradient(top, bottom):
    return lambda y: _blend(top, bottom, (y - 4) / 16)


def face_normal():
    face = rgb('#F3F3EE')
    inner = _ring_colours(top=(rgb('#FEFEFE'), rgb('#FBFBF8')),
                          left=(rgb('#FEFEFE'), rgb('#F9F9F6')),
                          right=(_side_gradient('#EEEDE6', '#E2E0D6'), _side_gradient('#F1F1EB', '#E9E7DF')),
                          bottom=(rgb('#D6D0C5'), rgb('#E0DED4')), face=face, inset=0)
    inner[20, 2:62] = _blend('#E0DED4', '#F3F3EE', 0.5)
    return _face(OUTLINE, inner, _background(True))


def face_highlight():
    amber = rgb('#FCCA69')
    inner = _ring_colours(top=(rgb('#FFF0CF'), rgb('#FDD889')), left=(amber, amber), right=(amber, amber),
                          bottom=(rgb('#E59700'), rgb('#F8B330')), face=rgb('#F3F3EE'), inset=0)
    return _face(OUTLINE, inner, _background(True))


def face_selected():
    side = _side_gradient('#A9C5EF', '#8BADE4')
    inner = _ring_colours(top=(rgb('#CEE7FF'), rgb('#CEE7FF')), left=(side, side), right=(side, side),
                          bottom=(rgb('#6982EE'), _blend('#8BADE4', '#6982EE', 0.5)),
                          face=rgb('#F3F3EE'), inset=0)
    return _face(OUTLINE, inner, _background(True))


def face_pressed():
    w, h = FACE_SIZE
    rows = [_blend('#D0CBBF', '#F2F1EE', np.clip((y - 3) / 18, 0, 1)) for y in range(h)]
    inner = np.repeat(np.array(rows)[:, None, :], w, axis=1)
    return _face(OUTLINE, inner, _background(False), inset=1)


def face_disable():
    inner = np.tile(rgb('#F5F4EA'), (FACE_SIZE[1], FACE_SIZE[0], 1))
    return _face(OUTLINE_DISABLED, inner, _background(False))


def faces():
    """The six faces by file stem; the hovered-and-focused face is the hovered face itself."""
    highlight = face_highlight()
    return {'face_normal': face_normal(), 'face_highlight': highlight,
            'face_highlightselect': highlight.copy(), 'face_selected': face_selected(),
            'face_pressed': face_pressed(), 'face_disable': face_disable()}


def _mark(border, top, bottom, shine):
    n = MARK_SIZE
    rows = np.array([_blend(top, bottom, y / (n - 3)) for y in range(n - 2)])
    picture = np.empty((n, n, 3))
    picture[:] = rgb(border)
    picture[1:-1, 1:-1] = rows[:, None, :]
    picture[1, 1:-1] = _blend(shine, top, 0.3)
    picture[1:-1, 1] = (picture[1:-1, 1] + rgb(shine)) / 2
    for y, x in ((0, 0), (0, n - 1), (n - 1, 0), (n - 1, n - 1)):   # softened corners
        picture[y, x] = (rgb(border) + rgb('#FFFFFF')) / 2
    return np.clip(np.round(picture), 0, 255).astype(np.uint8)


def mark_off():
    """Not chosen: an empty light square with a thin grey border."""
    return _mark('#8E8F8A', '#E8E8E2', '#FFFFFF', '#FFFFFF')


def mark_on():
    """Chosen: a blue square lit from above, with a darker blue border."""
    return _mark('#1C4C9E', '#7DB2F7', '#2A66CF', '#CFE4FF')


HAND_HOTSPOT = (12, 10)

# B black outline, W white, '.' transparent; the tip of the index finger is the hot spot.
HAND = """
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................
...........BBB..................
..........BWWWB.................
..........BWWWB.................
..........BWWWB.................
..........BWWWB.................
..........BWWWBBB...............
..........BWWWBWWBBB............
..........BWWWBWWBWWBBB.........
..........BWWWBWWBWWBWWB........
.......BB.BWWWBWWBWWBWWBB.......
......BWWBBWWWWWWWWWWWWWB.......
......BWWWBWWWWWWWWWWWWWB.......
.......BWWWWWWWWWWWWWWWWB.......
.......BWWWWWWWWWWWWWWWWB.......
........BWWWWWWWWWWWWWWWB.......
........BWWWWWWWWWWWWWWB........
.........BWWWWWWWWWWWWWB........
..........BWWWWWWWWWWWB.........
..........BWWWWWWWWWWWB.........
..........BBBBBBBBBBBBB.........
................................
................................
"""


def hand_cursor():
    """(white, opaque) boolean 32 x 32 arrays of the pointing hand."""
    rows = [line for line in HAND.strip('\n').split('\n')]
    art = np.array([list(line) for line in rows])
    return art == 'W', art != '.'
