"""The quarlo: a round apricot creature with big glossy eyes, rosy cheeks, stubby feet and a leaf
sprouting from its head.  It turns about its vertical axis; the leaf, feet, arms and the freckles on
its back make every angle read differently."""
import functools

import numpy as np

from .raytrace import (Camera, Capsule, Ellipsoid, Material, Render, frame_towards, hex_linear,
                       normalize, rot_y, rot_z)

BODY, FEET, LEAF, VEIN, STEM = '#FF9A3C', '#F07A2A', '#58C24A', '#B8EE8A', '#6E8B2E'
EYE, GLINT, BLUSH, MOUTH, FRECKLE = '#1E1622', '#FFFFFF', '#FF6F7D', '#8C2F2A', '#FFC27A'

EYE_DIRS = [normalize(np.array([side * 0.36, 0.16, 0.92])) for side in (-1, 1)]


def _mix(col, other, amount):
    return col + (hex_linear(other) - col) * np.asarray(amount, float)[:, None]


def body_paint(p, base):
    """Cheeks and smile in front, three freckles on the back (unit-sphere coordinates)."""
    col = np.array(np.broadcast_to(base, p.shape))
    x, y, z = p.T
    for side in (-1, 1):
        d = np.hypot(x - side * 0.56, y + 0.1)
        col = _mix(col, BLUSH, np.clip(1 - d / 0.2, 0, 1) ** 1.3 * 0.55 * (z > 0))
    smile = (z > 0) & (np.abs(np.hypot(x, y + 0.02) - 0.2) < 0.035) & (y < -0.13) & (np.abs(x) < 0.14)
    col[smile] = hex_linear(MOUTH)
    for fx, fy, fr in ((-0.3, 0.35, 0.13), (0.25, 0.45, 0.1), (0.05, 0.1, 0.11)):
        spot = (z < 0) & (np.hypot(x - fx, y - fy) < fr)
        col[spot] = hex_linear(FRECKLE)
    return col


def eye_paint(p, base):
    col = np.array(np.broadcast_to(base, p.shape))
    x, y, z = p.T
    col[(np.hypot(x + 0.3, y - 0.38) < 0.34) & (z > 0)] = hex_linear(GLINT)
    col[(np.hypot(x - 0.35, y + 0.42) < 0.16) & (z > 0)] = hex_linear('#A9B6FF')
    return col


def leaf_paint(p, base):
    col = np.array(np.broadcast_to(base, p.shape))
    x, y, z = p.T
    vein = (np.abs(z) < 0.07) | ((np.abs(np.abs(z) - 0.5 * (x + 0.9) % 0.5 - 0.05) < 0.04) & (np.abs(z) < 0.6))
    col = _mix(col, VEIN, vein * 0.7)
    return col


def leaf_keep(p):
    """Cuts the flat ellipsoid into a pointed leaf outline."""
    x, _, z = p.T
    return np.abs(z) < 0.95 * np.clip(1 - x * x, 0, None) ** 0.9


def quarlo_parts(angle):
    """Parts of the quarlo turned `angle` radians about its vertical axis."""
    turn = rot_y(angle)
    body = Material(BODY, highlight=0.18, shine=18, rim=0.45, group=1, paint=body_paint)
    feet = Material(FEET, highlight=0.1, rim=0.35, group=2)
    arm = Material(BODY, highlight=0.1, rim=0.4, group=3)
    eye = Material(EYE, highlight=0.9, shine=60, rim=0.1, group=4, paint=eye_paint)
    leaf = Material(LEAF, highlight=0.25, shine=25, rim=0.45, group=5, paint=leaf_paint)
    stem = Material(STEM, rim=0.3, group=5)
    parts = [Ellipsoid([0, 0, 0], [1.0, 0.92, 0.95], body, rotation=turn)]
    for d in EYE_DIRS:
        centre = turn @ (d * np.array([1.0, 0.92, 0.95]) * 0.93)
        parts.append(Ellipsoid(centre, [0.15, 0.21, 0.1], eye, rotation=turn @ frame_towards(d)))
    for side in (-1, 1):
        parts.append(Ellipsoid(turn @ [side * 0.44, -0.82, 0.22], [0.27, 0.17, 0.34], feet,
                               rotation=turn @ rot_y(side * 0.25)))
        parts.append(Ellipsoid(turn @ [side * 0.95, -0.18, 0.1], [0.15, 0.28, 0.17], arm,
                               rotation=turn @ rot_z(side * 0.55)))
    stem_top = turn @ np.array([0.05, 1.2, 0.0])
    parts.append(Capsule(turn @ np.array([0.0, 0.8, 0.0]), stem_top, 0.06, stem))
    leaf_rot = turn @ rot_y(0.6) @ rot_z(0.45)
    parts.append(Ellipsoid(stem_top + leaf_rot @ [0.5, 0, 0], [0.55, 0.05, 0.3], leaf,
                           rotation=leaf_rot, keep=leaf_keep))
    return parts


# The turning model stays inside a sphere of about 1.6 around this point.
MODEL_CENTRE = np.array([0.0, 0.2, 0.0])


@functools.lru_cache(maxsize=8)
def sprite_camera(ss, px, zoom=1.0):
    """Looks slightly down at the model so that a `px` pixel picture holds it with a small margin;
    `zoom` above 1 fills the picture more (for the icon)."""
    eye = MODEL_CENTRE + 12.0 * np.array([0, np.sin(np.radians(14)), np.cos(np.radians(14))])
    return Camera(eye=eye, target=MODEL_CENTRE, focal=px * ss * 12.0 / 3.45 * zoom, size=(px * ss, px * ss),
                  shift=(0, 0.035 * px * ss * zoom))


def render_quarlo(angle, px=60, ss=4, zoom=1.0):
    """Linear premultiplied colour and coverage of the quarlo at `angle` in a px x px picture."""
    return Render(sprite_camera(ss, px, zoom), quarlo_parts(angle), ss, ink=0).downsample()
