"""The walking figure: a friendly kid in a t-shirt with a star, jeans and red sneakers,
walking on the spot towards the viewer.

One gait cycle (two steps) is split into 32 poses.  The legs follow a simple hip/knee/ankle cycle,
the arms swing against them, the hips sway over the standing foot and the whole body is lifted so
that the lower foot always rests on the ground, which gives the natural bob of a walk.
"""
import functools

import numpy as np

from .raytrace import (Camera, Capsule, Ellipsoid, Material, Render, hex_linear, rot_x, rot_y,
                       rot_z)

POSES = 32

SKIN, HAIR, SHIRT, JEANS, SHOE = '#F4C7A1', '#6A3B22', '#2FA59A', '#34528F', '#E2463C'
EYE, IRIS, BLUSH, MOUTH, STAR, SHOE_WHITE, CUFF = ('#2A1C16', '#6B4126', '#F39A8C', '#B4473A',
                                                   '#FFD54A', '#F4F1EA', '#4867A6')

THIGH, SHIN = 0.36, 0.35
HIP_HALF_WIDTH = 0.085
SHOULDER_HALF_WIDTH = 0.19
UPPER_ARM, FOREARM = 0.25, 0.22


def _mix(col, other, amount):
    return col + (hex_linear(other) - col) * np.asarray(amount, float)[:, None]


def face_paint(blink):
    """Eyes, brows, cheeks and a smile on the head's unit sphere (+z faces the viewer)."""
    def paint(p, base):
        col = np.array(np.broadcast_to(base, p.shape))
        x, y, z = p.T
        front = z > 0.2
        for side in (-1, 1):
            d = np.hypot(x - side * 0.52, (y + 0.24) * 1.2)
            col = _mix(col, BLUSH, np.clip(1 - d / 0.17, 0, 1) ** 1.4 * 0.6 * front)
        for side in (-1, 1):
            ex, ey = x - side * 0.34, y - 0.0
            if blink < 0.5:
                eye = front & ((ex / 0.1) ** 2 + (ey / 0.145) ** 2 < 1)
                col[eye] = hex_linear(EYE)
                iris = eye & ((ex / 0.07) ** 2 + ((ey + 0.045) / 0.08) ** 2 < 1)
                col[iris] = hex_linear(IRIS)
                glint = eye & ((ex + 0.035) ** 2 + (ey - 0.055) ** 2 < 0.038 ** 2)
                col[glint] = hex_linear('#FFFFFF')
            else:
                lid = front & (np.abs(ey + 0.02 - 8 * ex ** 2) < 0.022) & (np.abs(ex) < 0.1)
                col[lid] = hex_linear(EYE)
            brow = front & (np.abs(ey - 0.215 + 4 * ex ** 2) < 0.026) & (np.abs(ex) < 0.11)
            col[brow] = hex_linear(HAIR)
        mouth = front & (np.abs(np.hypot(x, y + 0.1) - 0.19) < 0.028) & (y < -0.2) & (np.abs(x) < 0.12)
        col[mouth] = hex_linear(MOUTH)
        return col
    return paint


def star_paint(p, base):
    """A yellow star on the front of the chest."""
    col = np.array(np.broadcast_to(base, p.shape))
    x, y, z = p.T
    r = np.hypot(x, y - 0.12)
    theta = np.arctan2(y - 0.12, x) - np.pi / 2
    star = (z > 0) & (r < 0.2 * (0.62 + 0.38 * np.cos(5 * theta) ** 3 * np.sign(np.cos(5 * theta))))
    col[star] = hex_linear(STAR)
    return col


def shoe_paint(p, base):
    col = np.array(np.broadcast_to(base, p.shape))
    x, y, z = p.T
    sole = y < -0.42
    toe = (z > 0.72) & (y < 0.3)
    laces = (y > 0.35) & (np.abs(x) < 0.38) & (z > -0.2) & (z < 0.55) & (np.sin(z * 22) > 0.1)
    col[sole | toe | laces] = hex_linear(SHOE_WHITE)
    return col


def cuff_paint(p, base):
    col = np.array(np.broadcast_to(base, p.shape))
    col[p[:, 0] > 0.84] = hex_linear(CUFF)
    return col


def sleeve_paint(p, base):
    col = np.array(np.broadcast_to(base, p.shape))
    col[p[:, 0] > 0.82] = hex_linear('#27897F')
    return col


def hair_keep(p):
    x, y, z = p.T
    bangs = 0.3 + 0.07 * np.abs(np.sin(x * 8.5)) - 0.1 * np.abs(x)
    return (y > bangs) | ((z < 0.25) & (y > 0.02)) | ((z < -0.15) & (y > -0.6))


def _leg(hip, swing, knee_bend, pitch):
    """Knee, ankle and the shoe's centre and rotation for a leg swung `swing` rad forward."""
    knee = hip + THIGH * np.array([0, -np.cos(swing), np.sin(swing)])
    shin = swing - knee_bend
    ankle = knee + SHIN * np.array([0, -np.cos(shin), np.sin(shin)])
    foot_rot = rot_x(-pitch)
    shoe = ankle + foot_rot @ np.array([0, -0.03, 0.06])
    return knee, ankle, shoe, foot_rot


SHOE_RADII = np.array([0.078, 0.06, 0.14])


def _lowest(centre, rot, radii):
    return centre[1] - np.sqrt(((rot[1] * radii) ** 2).sum())


class Pose:
    """Joint positions of the figure at a point `phase` in [0, 1) of the gait cycle."""

    def __init__(self, phase):
        self.phase = phase
        base = 2 * np.pi * phase
        self.psi = {1: base, -1: base + np.pi}            # +1 is the figure's left (screen right)
        pelvis_yaw = -np.radians(5) * np.cos(self.psi[1])
        sway = 0.018 * np.sin(self.psi[1])               # hips over the standing foot
        pelvis = np.array([sway, 0.0, 0.0])
        self.legs = {}
        for side, psi in self.psi.items():
            swing = np.radians(22) * np.cos(psi)
            stance = np.sin(psi) >= 0
            bend = np.radians(8) * np.sin(psi) if stance else np.radians(46) * -np.sin(psi)
            pitch = np.radians(13) * np.cos(psi) + (0 if stance else np.radians(10) * np.sin(psi))
            hip = pelvis + rot_y(pelvis_yaw) @ np.array([side * HIP_HALF_WIDTH, -0.02, 0])
            self.legs[side] = (hip,) + _leg(hip, swing, bend, pitch)
        ground = min(_lowest(leg[3], leg[4], SHOE_RADII) for leg in self.legs.values())
        self.lift = np.array([0, -ground, 0])
        self.legs = {s: tuple(v + self.lift if v.shape == (3,) else v for v in leg)
                     for s, leg in self.legs.items()}
        self.pelvis = pelvis + self.lift
        self.pelvis_yaw = pelvis_yaw
        self.chest_yaw = -0.7 * pelvis_yaw
        self.chest = self.pelvis + np.array([-0.3 * sway, 0.36, 0])
        self.head_roll = -np.radians(2.5) * np.sin(self.psi[1])
        self.arms = {}
        for side, psi in self.psi.items():
            shoulder = self.chest + rot_y(self.chest_yaw) @ np.array([side * SHOULDER_HALF_WIDTH, 0.1, 0])
            swing = -np.radians(26) * np.cos(psi)
            elbow_bend = np.radians(12 + 30 * (1 - np.cos(psi)) / 2)
            spread = np.radians(9)
            upper = np.array([side * np.sin(spread), -np.cos(spread) * np.cos(swing), np.sin(swing)])
            elbow = shoulder + UPPER_ARM * upper
            fore_angle = swing + elbow_bend
            fore = np.array([side * np.sin(spread) * 0.6, -np.cos(fore_angle), np.sin(fore_angle)])
            wrist = elbow + FOREARM * fore / np.linalg.norm(fore)
            self.arms[side] = (shoulder, elbow, wrist)


def blink_amount(pose_index):
    return {21: 0.6, 22: 1.0, 23: 0.6}.get(pose_index, 0.0)


def figure_parts(pose, blink=0.0):
    skin = Material(SKIN, rim=0.3, group=1)
    head_skin = Material(SKIN, rim=0.3, group=1, paint=face_paint(blink))
    hair = Material(HAIR, spec=0.35, shine=30, rim=0.35, group=2)
    shirt = Material(SHIRT, rim=0.3, group=3)
    chest = Material(SHIRT, rim=0.3, group=3, paint=star_paint)
    jeans = Material(JEANS, rim=0.3, group=4)
    shin = Material(JEANS, rim=0.3, group=4, paint=cuff_paint)
    sleeve = Material(SHIRT, rim=0.3, group=3, paint=sleeve_paint)
    parts = []
    for side, (hip, knee, ankle, shoe, foot_rot) in pose.legs.items():
        parts += [Capsule(hip, knee, 0.078, jeans), Capsule(knee, ankle + [0, 0.05, 0], 0.066, shin),
                  Ellipsoid(shoe, SHOE_RADII, Material(SHOE, spec=0.25, shine=25, rim=0.3, group=10 + side,
                                                       paint=shoe_paint), rotation=foot_rot)]
    p_rot = rot_y(pose.pelvis_yaw)
    c_rot = rot_y(pose.chest_yaw)
    parts += [Ellipsoid(pose.pelvis + [0, 0.03, 0], [0.175, 0.11, 0.115], jeans, rotation=p_rot),
              Ellipsoid(pose.chest + [0, -0.07, 0], [0.19, 0.27, 0.125], chest, rotation=c_rot),
              Capsule(pose.chest + c_rot @ [-0.13, 0.1, 0], pose.chest + c_rot @ [0.13, 0.1, 0], 0.075, shirt)]
    for side, (shoulder, elbow, wrist) in pose.arms.items():
        parts += [Capsule(shoulder, shoulder + 0.6 * (elbow - shoulder), 0.07, sleeve),
                  Capsule(shoulder, elbow, 0.052, skin), Capsule(elbow, wrist, 0.047, skin),
                  Ellipsoid(wrist + (wrist - elbow) * 0.3, [0.055, 0.062, 0.05], skin)]
    neck = pose.chest + [0, 0.16, 0]
    head = neck + rot_z(pose.head_roll) @ np.array([0, 0.21, 0])
    h_rot = rot_z(pose.head_roll)
    parts += [Capsule(pose.chest + [0, 0.12, 0], neck + [0, 0.06, 0], 0.052, skin),
              Ellipsoid(head, [0.185, 0.178, 0.172], head_skin, rotation=h_rot),
              Ellipsoid(head + h_rot @ [0, -0.035, 0.172], [0.022, 0.019, 0.017], skin),
              Ellipsoid(head + h_rot @ [0, 0.014, -0.01], [0.198, 0.194, 0.19], hair, rotation=h_rot,
                        keep=hair_keep),
              Ellipsoid(head + h_rot @ [0.035, 0.215, 0.0], [0.03, 0.075, 0.032], hair,
                        rotation=h_rot @ rot_z(-0.55))]
    return parts


# Camera for a 128 x 295 cell: slightly above the hips, far enough that perspective stays gentle.
CELL = (128, 295)


@functools.lru_cache(maxsize=4)
def cell_camera(ss, scale=1.0, size=CELL):
    w, h = size
    return Camera(eye=[0, 1.15, 6.0], target=[0, 0.85, 0], focal=3500 * scale * ss / 4,
                  size=(w * ss, h * ss), shift=(0, 7.0 * scale * ss))


def ground_shadow(size, camera, ss, pose):
    """A soft dark ellipse on the floor under the feet, in linear light at the final size."""
    w, h = size
    cx, cy, z = camera.project([pose.pelvis[0], 0.0, 0.0])
    cx, cy = cx / ss, cy / ss
    rx = camera.focal / ss * 0.3 / z
    ry = rx * 0.18
    yy, xx = np.mgrid[0:h, 0:w] + 0.5
    d = np.hypot((xx - cx) / rx, (yy - cy) / ry)
    return (np.clip(1 - d, 0, 1) ** 1.6)[..., None] * np.array([0.012, 0.014, 0.022])


def render_pose(index, ss=4, scale=1.0, size=CELL):
    """Linear premultiplied colour and coverage of pose `index` (0..31) in a cell of `size`."""
    pose = Pose(index / POSES)
    camera = cell_camera(ss, scale, size)
    colour, cover = Render(camera, figure_parts(pose, blink_amount(index)), ss).downsample()
    return colour + ground_shadow(size, camera, ss, pose) * (1 - cover)[..., None], cover
