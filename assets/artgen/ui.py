"""Pictures of the settings dialog: the six button faces, the two option marks and the hand cursor,
each drawn at any display scale from the same model, so that it stays crisp."""
import numpy as np

from .scaling import scaled

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


class FaceFrame:
    """Where the bands of a face lie at a display scale. The face is drawn in bands one 100 %
    pixel deep, counted from each edge: band k starts round(k x scale) pixels from its edge, so
    every band keeps whole pixels and the 4-pixel frame the button slices off is 4 x scale."""

    def __init__(self, percent=100):
        self.percent = percent
        self.w, self.h = (scaled(n, percent) for n in FACE_SIZE)

    def edge(self, k):
        return scaled(k, self.percent)

    def span(self, k, far):
        """The first and last pixel of the run from band k of one edge to band k of the other."""
        return self.edge(k), far - 1 - self.edge(k)


def _along(t, first, last):
    """0 to 1 from pixel `first` to pixel `last`."""
    return (t - first) / (last - first)


def _ring_colours(frame, top, left, right, bottom, face):
    """Colour of every pixel inside the outline: a two-band ring given per side, `face` within.

    Each side is a pair (next to the outline, one further in); a side may instead be a pair of
    gradients from its top to its bottom, given as callables of the share of the way down."""
    w, h, edge = frame.w, frame.h, frame.edge
    out = np.tile(face, (h, w, 1)).astype(float)
    first, last = frame.span(4, h)
    for k in range(2):
        near, far = edge(2 + k), edge(3 + k)
        for y in range(first, last + 1):
            for columns, colour in ((slice(near, far), left[k]), (slice(w - far, w - near), right[k])):
                out[y, columns] = colour(_along(y, first, last)) if callable(colour) else colour
        out[near:far, edge(2):w - edge(2)] = top[k]
        out[h - far:h - near, edge(2):w - edge(2)] = bottom[k]
    return out


def _face(frame, outline, inner, background, inset=0):
    """Composes background, anti-aliased rounded outline and the inner colours."""
    w, h, edge = frame.w, frame.h, frame.edge
    outer, core = edge(1 + inset), edge(2 + inset)
    curve_end = edge(4 + inset)
    outer = rounded_rect_cover((w, h), (outer, outer, w - outer, h - outer), curve_end - outer)
    core = rounded_rect_cover((w, h), (core, core, w - core, h - core), curve_end - core)
    picture = (background * (1 - outer)[..., None] + rgb(outline) * (outer - core)[..., None]
               + inner * core[..., None])
    return np.clip(np.round(picture), 0, 255).astype(np.uint8)


def _background(frame, gradient):
    rows = [_blend(BEIGE, BEIGE_LOW, y / (frame.h - 1) if gradient else 0) for y in range(frame.h)]
    return np.repeat(np.array(rows)[:, None, :], frame.w, axis=1)


def _side_gradient(top, bottom):
    return lambda t: _blend(top, bottom, t)


def face_normal(frame):
    face = rgb('#F3F3EE')
    inner = _ring_colours(frame, top=(rgb('#FEFEFE'), rgb('#FBFBF8')),
                          left=(rgb('#FEFEFE'), rgb('#F9F9F6')),
                          right=(_side_gradient('#EEEDE6', '#E2E0D6'), _side_gradient('#F1F1EB', '#E9E7DF')),
                          bottom=(rgb('#D6D0C5'), rgb('#E0DED4')), face=face)
    w, h, edge = frame.w, frame.h, frame.edge
    inner[h - edge(5):h - edge(4), edge(2):w - edge(2)] = _blend('#E0DED4', '#F3F3EE', 0.5)
    return _face(frame, OUTLINE, inner, _background(frame, True))


def face_highlight(frame):
    amber = rgb('#FCCA69')
    inner = _ring_colours(frame, top=(rgb('#FFF0CF'), rgb('#FDD889')), left=(amber, amber),
                          right=(amber, amber), bottom=(rgb('#E59700'), rgb('#F8B330')),
                          face=rgb('#F3F3EE'))
    return _face(frame, OUTLINE, inner, _background(frame, True))


def face_selected(frame):
    side = _side_gradient('#A9C5EF', '#8BADE4')
    inner = _ring_colours(frame, top=(rgb('#CEE7FF'), rgb('#CEE7FF')), left=(side, side), right=(side, side),
                          bottom=(rgb('#6982EE'), _blend('#8BADE4', '#6982EE', 0.5)),
                          face=rgb('#F3F3EE'))
    return _face(frame, OUTLINE, inner, _background(frame, True))


def face_pressed(frame):
    first, last = frame.span(3, frame.h)
    rows = [_blend('#D0CBBF', '#F2F1EE', np.clip(_along(y, first, last), 0, 1)) for y in range(frame.h)]
    inner = np.repeat(np.array(rows)[:, None, :], frame.w, axis=1)
    return _face(frame, OUTLINE, inner, _background(frame, False), inset=1)


def face_disable(frame):
    inner = np.tile(rgb('#F5F4EA'), (frame.h, frame.w, 1))
    return _face(frame, OUTLINE_DISABLED, inner, _background(frame, False))


def faces(percent=100):
    """The six faces by file stem; the hovered-and-focused face is the hovered face itself."""
    frame = FaceFrame(percent)
    highlight = face_highlight(frame)
    return {'face_normal': face_normal(frame), 'face_highlight': highlight,
            'face_highlightselect': highlight.copy(), 'face_selected': face_selected(frame),
            'face_pressed': face_pressed(frame), 'face_disable': face_disable(frame)}


def _cut_corners(n, cut):
    """Share of each pixel of an n x n square left by cutting its corners off at 45 degrees,
    `cut` pixels along each edge: exactly half of the corner pixel when `cut` is 1."""
    reach = np.minimum(np.arange(n), np.arange(n)[::-1]).astype(float)
    d = cut - (reach[:, None] + reach[None, :])     # how far the cut reaches into each pixel
    return np.where(d <= 0, 1.0, np.where(d <= 1, 1 - d * d / 2, np.clip(2 - d, 0, None) ** 2 / 2))


def _mark(border, top, bottom, shine, percent):
    n, e, e2 = (scaled(k, percent) for k in (MARK_SIZE, 1, 2))    # size, border, border and shine
    rows = np.array([_blend(top, bottom, y / (n - 2 * e - 1)) for y in range(n - 2 * e)])
    picture = np.empty((n, n, 3))
    picture[:] = rgb(border)
    picture[e:-e, e:-e] = rows[:, None, :]
    picture[e:e2, e:-e] = _blend(shine, top, 0.3)
    picture[e:-e, e:e2] = (picture[e:-e, e:e2] + rgb(shine)) / 2
    share = _cut_corners(n, percent / 100)[..., None]       # softened corners, over white
    picture = np.where(share < 1, picture * share + rgb('#FFFFFF') * (1 - share), picture)
    return np.clip(np.round(picture), 0, 255).astype(np.uint8)


def mark_off(percent=100):
    """Not chosen: an empty light square with a thin grey border."""
    return _mark('#8E8F8A', '#E8E8E2', '#FFFFFF', '#FFFFFF', percent)


def mark_on(percent=100):
    """Chosen: a blue square lit from above, with a darker blue border."""
    return _mark('#1C4C9E', '#7DB2F7', '#2A66CF', '#CFE4FF', percent)


HAND_SIZE = 32
HAND_HOTSPOT = (12, 10)     # on the tip of the index finger


def _rounded(x0, y0, x1, y1, top_left, top_right, steps=12):
    """Outline of a rectangle whose top corners are rounded with the given radii."""
    def arc(cx, cy, r, start, end):
        return [(cx + r * np.cos(a), cy - r * np.sin(a)) for a in np.linspace(start, end, steps)]
    return ([(x0, y1)] + arc(x0 + top_left, y0 + top_left, top_left, np.pi, np.pi / 2)
            + arc(x1 - top_right, y0 + top_right, top_right, np.pi / 2, 0) + [(x1, y1)])


# The pointing hand in pixels of the 32 x 32 cursor (x to the right, y down, pixel edges on whole
# numbers): the outlines that are filled, and the creases (x, from y, to y) drawn down the hand.
# The outline all round and the creases are one pixel wide at 100 %.
HAND_OUTLINES = [
    _rounded(10, 10, 15, 22, 2.2, 2.2),     # index finger
    _rounded(14, 15, 17, 22, 1.5, 1.5),     # middle finger
    _rounded(17, 16, 20, 22, 1.5, 1.5),     # ring finger
    _rounded(20, 17, 24, 22, 1.5, 2.2),     # little finger
    _rounded(6, 19, 9, 22, 2.2, 1.5),       # thumb
    [(10, 19), (25, 19), (25, 24.6), (24, 25.6), (24, 26.8), (23, 27.6), (23, 30), (10, 30),
     (10, 27.2), (8.3, 25.9), (7.3, 24), (7, 22), (9, 20), (10, 20)],      # palm
]
HAND_CREASES = [(14.5, 15, 20), (17.5, 16, 20), (20.5, 17, 20), (23.5, 18, 20), (10.5, 19, 22)]


def _inside(xs, ys, polygon):
    """Which of the points lie inside the polygon (even-odd rule)."""
    inside = np.zeros(np.broadcast(xs, ys).shape, bool)
    for (x1, y1), (x2, y2) in zip(polygon, polygon[1:] + polygon[:1]):
        if y1 != y2:
            inside ^= ((y1 > ys) != (y2 > ys)) & (xs < x1 + (ys - y1) * (x2 - x1) / (y2 - y1))
    return inside


def _erode(flags):
    """Keeps the pixels whose four neighbours are all set."""
    padded = np.pad(flags, 1)
    return flags & padded[:-2, 1:-1] & padded[2:, 1:-1] & padded[1:-1, :-2] & padded[1:-1, 2:]


def hand_cursor(percent=100):
    """(white, opaque) boolean arrays of the pointing hand, 32 x scale pixels square.

    A pixel is opaque when its centre lies in an outline. A centre lying exactly on an edge is
    nudged a hair towards its even neighbour, so that the edge falls where rounding half to even
    puts it, as it does the hot spot. The outline and the creases are round(scale) pixels wide."""
    n, line, scale = scaled(HAND_SIZE, percent), scaled(1, percent), percent / 100
    index = np.arange(n)
    centres = (index + 0.5 + np.where(index % 2, -1e-6, 1e-6)) / scale
    xs, ys = centres[None, :], centres[:, None]
    opaque = np.zeros((n, n), bool)
    for outline in HAND_OUTLINES:
        opaque |= _inside(xs, ys, outline)
    white = opaque
    for _ in range(line):
        white = _erode(white)
    for x, top, bottom in HAND_CREASES:
        white &= ~((np.abs(xs - x) * scale < line / 2) & (ys >= top) & (ys < bottom))
    return white, opaque


def hand_hotspot(percent=100):
    return tuple(scaled(v, percent) for v in HAND_HOTSPOT)
