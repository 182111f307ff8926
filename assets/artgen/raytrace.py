"""A small analytic ray tracer for the characters.

Every model is a handful of ellipsoids and capsules.  A picture is traced at several samples per
pixel side and averaged down, so edges come out anti-aliased.  Colours are handled in linear light
and converted to sRGB only at the end.
"""
import numpy as np

UP = np.array([0.0, 1.0, 0.0])


def normalize(v):
    return v / np.linalg.norm(v, axis=-1, keepdims=True)


def rot_x(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]], dtype=float)


def rot_y(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[c, 0, s], [0, 1, 0], [-s, 0, c]], dtype=float)


def rot_z(a):
    c, s = np.cos(a), np.sin(a)
    return np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]], dtype=float)


def frame_towards(direction):
    """Rotation whose local +z axis points along `direction` and whose local +y stays upright."""
    z = normalize(np.asarray(direction, float))
    x = np.cross(UP, z)
    x = x / np.linalg.norm(x) if np.linalg.norm(x) > 1e-9 else np.array([1.0, 0, 0])
    y = np.cross(z, x)
    return np.stack([x, y, z], axis=1)


def srgb_to_linear(rgb):
    return (np.asarray(rgb, float) / 255.0) ** 2.2


def hex_linear(code):
    code = code.lstrip('#')
    return srgb_to_linear([int(code[i:i + 2], 16) for i in (0, 2, 4)])


def linear_to_srgb8(lin):
    return np.clip(np.round(np.clip(lin, 0, 1) ** (1 / 2.2) * 255), 0, 255).astype(np.uint8)


class Material:
    """Base colour and finish of a part: highlight strength and sharpness (shine), rim light."""

    def __init__(self, colour, highlight=0.0, shine=20.0, rim=0.25, group=None, paint=None):
        self.colour = hex_linear(colour)
        self.highlight = highlight
        self.shine = shine
        self.rim = rim
        self.group = group      # parts of one group draw no ink line between them
        self.paint = paint      # optional f(local points, colour) -> per-pixel base colours


class Ellipsoid:
    def __init__(self, centre, radii, material, rotation=None, keep=None):
        self.centre = np.asarray(centre, np.float32)
        self.radii = np.asarray(radii, np.float32)
        self.rot = np.eye(3, dtype=np.float32) if rotation is None else np.asarray(rotation, np.float32)
        self.material = material
        self.keep = keep        # optional f(local unit-sphere points) -> bool; cuts the shell open

    def spheres(self):
        """Spheres that together enclose the part, for finding the pixels it may cover."""
        return [(self.centre, float(self.radii.max()))]

    def _local_ray(self, eye, rd):
        to_unit = self.rot / self.radii          # world direction -> unit-sphere coordinates
        return (eye - self.centre) @ to_unit, rd @ to_unit

    def distance(self, eye, rd):
        o, d = self._local_ray(eye, rd)
        a = np.einsum('ij,ij->i', d, d)
        b = d @ o
        c = o @ o - 1.0
        disc = b * b - a * c
        root = np.sqrt(np.maximum(disc, 0))
        t = (-b - root) / a
        if self.keep is not None:
            t_far = (-b + root) / a
            front_ok = self.keep(o + t[:, None] * d)
            back_ok = self.keep(o + t_far[:, None] * d)
            t = np.where(front_ok, t, np.where(back_ok, t_far, np.inf))
        return np.where((disc > 0) & (t > 0), t, np.inf)

    def surface(self, eye, rd, t):
        o, d = self._local_ray(eye, rd)
        local = o + t[:, None] * d
        return normalize((local / self.radii) @ self.rot.T), local


class Capsule:
    def __init__(self, a, b, radius, material):
        self.a = np.asarray(a, np.float32)
        self.b = np.asarray(b, np.float32)
        self.radius = np.float32(radius)
        self.material = material

    def spheres(self):
        return [(self.a, float(self.radius)), (self.b, float(self.radius))]

    def distance(self, eye, rd):
        ba = self.b - self.a
        oa = eye - self.a
        baba = ba @ ba
        bard = rd @ ba
        baoa = oa @ ba
        rdoa = rd @ oa
        oaoa = oa @ oa
        r2 = self.radius ** 2
        a = baba - bard * bard
        b = baba * rdoa - baoa * bard
        c = baba * oaoa - baoa * baoa - r2 * baba
        h = b * b - a * c
        with np.errstate(divide='ignore', invalid='ignore'):
            t_body = (-b - np.sqrt(np.maximum(h, 0))) / a
        y = baoa + t_body * bard
        on_body = (h >= 0) & (y > 0) & (y < baba)
        cap_origin = np.where((y <= 0)[:, None], oa, eye - self.b)
        cb = np.einsum('ij,ij->i', rd, cap_origin)
        cc = np.einsum('ij,ij->i', cap_origin, cap_origin) - r2
        ch = cb * cb - cc
        t_cap = -cb - np.sqrt(np.maximum(ch, 0))
        t = np.where(on_body, t_body, np.where((h >= 0) & (ch > 0), t_cap, np.inf))
        return np.where(t > 0, t, np.inf)

    def surface(self, eye, rd, t):
        ba = self.b - self.a
        pa = eye + t[:, None] * rd - self.a
        along = np.clip(pa @ ba / (ba @ ba), 0, 1)
        normal = (pa - along[:, None] * ba) / self.radius
        local = np.stack([along, np.zeros_like(along), np.zeros_like(along)], axis=1)
        return normal, local


class Camera:
    """A pinhole camera; `size` is the traced (supersampled) picture in pixels."""

    def __init__(self, eye, target, focal, size, shift=(0.0, 0.0)):
        self.eye = np.asarray(eye, float)
        self.fwd = normalize(np.asarray(target, float) - self.eye)
        self.right = normalize(np.cross(self.fwd, UP))
        self.up = np.cross(self.right, self.fwd)
        self.focal = focal
        self.w, self.h = size
        self.cx = self.w / 2 + shift[0]
        self.cy = self.h / 2 + shift[1]
        jj, ii = np.meshgrid(np.arange(self.w) + 0.5 - self.cx, np.arange(self.h) + 0.5 - self.cy)
        rays = self.fwd * focal + self.right * jj[..., None] - self.up * ii[..., None]
        self.rays = normalize(rays).astype(np.float32)

    def project(self, p):
        rel = np.asarray(p, float) - self.eye
        z = rel @ self.fwd
        return self.cx + self.focal * (rel @ self.right) / z, self.cy - self.focal * (rel @ self.up) / z, z

    def box(self, spheres):
        """Pixel rectangle (y0, y1, x0, x1) holding the union of (centre, radius) spheres."""
        xs, ys = [], []
        for centre, radius in spheres:
            px, py, z = self.project(centre)
            r = self.focal * radius / max(z - radius, 1e-3) + 2
            xs += [px - r, px + r]
            ys += [py - r, py + r]
        x0, x1 = max(int(min(xs)), 0), min(int(max(xs)) + 1, self.w)
        y0, y1 = max(int(min(ys)), 0), min(int(max(ys)) + 1, self.h)
        return (y0, y1, x0, x1) if x0 < x1 and y0 < y1 else None


def _vec(*values):
    return np.array(values, np.float32)


class Lights:
    """A warm key light from the upper left, a cool fill from the right and a blue rim from behind."""
    key = normalize(_vec(-0.55, 0.65, 0.55))
    fill = normalize(_vec(0.8, 0.1, 0.45))
    back = normalize(_vec(0.35, 0.45, -0.8))
    key_colour = _vec(1.05, 0.98, 0.9)
    fill_colour = _vec(0.28, 0.32, 0.42)
    sky = _vec(0.22, 0.24, 0.3)
    ground = _vec(0.1, 0.08, 0.08)
    rim_colour = _vec(0.55, 0.7, 1.0)


def shade(material, base, n, v):
    """Lit colour of surface points with base colours `base`, normals `n` and view directions `v`."""
    base, n, v = (np.asarray(a, np.float32) for a in (base, n, v))
    lam = n @ Lights.key
    key = np.clip((lam + 0.15) / 1.15, 0, 1)
    key = 0.55 * key + 0.45 * np.clip((lam + 0.05) / 0.3, 0, 1)   # a soft cel step over smooth light
    fill = np.clip(n @ Lights.fill, 0, 1)
    sky = 0.5 + 0.5 * n[:, 1]
    light = (key[:, None] * Lights.key_colour + fill[:, None] * Lights.fill_colour
             + Lights.ground + sky[:, None] * (Lights.sky - Lights.ground))
    colour = base * light
    if material.highlight:
        half = normalize(Lights.key + v)
        gloss = np.clip(np.einsum('ij,ij->i', n, half), 0, 1) ** material.shine
        colour = colour + (material.highlight * gloss)[:, None] * Lights.key_colour
    if material.rim:
        facing = np.clip(np.einsum('ij,ij->i', n, v), 0, 1)
        behind = np.clip(n @ Lights.back + 0.3, 0, 1)
        colour = colour + (material.rim * (1 - facing) ** 3 * behind)[:, None] * Lights.rim_colour
    return colour


class Render:
    """Traces a list of parts through a camera; `ss` samples per pixel side, and ink lines `ink`
    pixels wide (of the final picture) where one group of parts overlaps another; 0 for none."""

    def __init__(self, camera, parts, ss, ink=0.5):
        self.camera = camera
        self.parts = list(parts)
        self.ss = ss
        self.eye = camera.eye.astype(np.float32)
        self.t = np.full((camera.h, camera.w), np.inf, dtype=np.float32)
        self.part = np.full((camera.h, camera.w), -1, dtype=np.int32)
        for index, prim in enumerate(self.parts):
            self._trace(index, prim)
        self.colour = self._shade()
        if ink > 0:
            self._ink_lines(max(1, round(ink * ss)))

    def _trace(self, index, prim):
        """Keeps, per pixel, the distance to the nearest part and which part that is."""
        box = self.camera.box(prim.spheres())
        if box is None:
            return
        y0, y1, x0, x1 = box
        rd = self.camera.rays[y0:y1, x0:x1].reshape(-1, 3)
        t = prim.distance(self.eye, rd).reshape(y1 - y0, x1 - x0)
        nearer = t < self.t[y0:y1, x0:x1]
        self.t[y0:y1, x0:x1] = np.where(nearer, t, self.t[y0:y1, x0:x1])
        self.part[y0:y1, x0:x1] = np.where(nearer, index, self.part[y0:y1, x0:x1])

    def _shade(self):
        """Lights every visible pixel from the surface of the part it shows."""
        colour = np.zeros((self.t.size, 3), dtype=np.float32)
        flat = np.flatnonzero(self.part >= 0)
        ids = self.part.ravel()[flat]
        order = np.argsort(ids, kind='stable')
        flat, ids = flat[order], ids[order]
        starts = np.flatnonzero(np.r_[True, ids[1:] != ids[:-1]])
        ends = np.r_[starts[1:], len(ids)]
        rays = self.camera.rays.reshape(-1, 3)
        depth = self.t.ravel()
        for start, end in zip(starts, ends):
            pix = flat[start:end]
            prim = self.parts[ids[start]]
            rd = rays[pix]
            normal, local = prim.surface(self.eye, rd, depth[pix])
            normal = np.where((np.einsum('ij,ij->i', normal, rd) > 0)[:, None], -normal, normal)
            material = prim.material
            base = np.broadcast_to(material.colour, local.shape)
            if material.paint is not None:
                base = material.paint(local, material.colour)
            colour[pix] = shade(material, base, normal, -rd)
        return colour.reshape(self.t.shape + (3,))

    def _ink_lines(self, reach):
        """Darkens `reach` samples on the near side of every edge where one group of parts
        overlaps another."""
        rows = np.flatnonzero((self.part >= 0).any(axis=1))
        cols = np.flatnonzero((self.part >= 0).any(axis=0))
        if len(rows) == 0:
            return
        y0, y1 = max(rows[0] - reach, 0), min(rows[-1] + reach + 1, self.t.shape[0])
        x0, x1 = max(cols[0] - reach, 0), min(cols[-1] + reach + 1, self.t.shape[1])
        groups = np.array([p.material.group if p.material.group is not None else 100 + i
                           for i, p in enumerate(self.parts)] + [-1])
        g = np.pad(groups[self.part[y0:y1, x0:x1]], reach, constant_values=-1)
        t = np.pad(self.t[y0:y1, x0:x1], reach, constant_values=np.inf)
        h, w = y1 - y0, x1 - x0
        ys, xs = np.nonzero(self._near_a_change(g, reach)[reach:reach + h, reach:reach + w]
                            & (self.part[y0:y1, x0:x1] >= 0))
        width = w + 2 * reach
        at = (ys + reach) * width + xs + reach          # in the padded arrays, flattened
        g, t = g.ravel(), t.ravel()
        core_g, core_t = g[at], t[at] + 0.02
        ink = np.zeros(len(at), bool)
        for step in range(1, reach + 1):
            for offset in (step * width, -step * width, step, -step):
                og, ot = g[at + offset], t[at + offset]
                ink |= (og >= 0) & (og != core_g) & (ot > core_t)
        region = self.colour[y0:y1, x0:x1]
        region[ys[ink], xs[ink]] *= np.array([0.22, 0.2, 0.26])

    @staticmethod
    def _near_a_change(groups, reach):
        """Samples within `reach` of a change of group along their row or column: the only ones
        an ink line can reach, found first so that the line test runs on them alone."""
        change = np.zeros(groups.shape, bool)
        across, down = groups[:, 1:] != groups[:, :-1], groups[1:] != groups[:-1]
        change[:, 1:] |= across
        change[:, :-1] |= across
        change[1:] |= down
        change[:-1] |= down
        near = change.copy()
        for step in range(1, reach + 1):
            near[:, step:] |= change[:, :-step]
            near[:, :-step] |= change[:, step:]
            near[step:] |= change[:-step]
            near[:-step] |= change[step:]
        return near

    def downsample(self):
        """Premultiplied linear colour and coverage at the final size."""
        cover = (self.part >= 0).astype(np.float32)[..., None]
        return box_average(self.colour, self.ss), box_average(cover, self.ss)[..., 0]


def box_average(picture, s):
    """Mean of every s x s block of an (H, W, C) array."""
    h, w, c = picture.shape
    rows = picture.reshape(h // s, s, w * c).sum(axis=1, dtype=np.float64)
    return rows.reshape(h // s, w // s, s, c).sum(axis=2) / (s * s)
