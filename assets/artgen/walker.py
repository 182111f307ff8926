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


SHOE_RADII = np.array([0.078, 0.06, 0.14])
SHOE_OFFSET = np.array([0, -0.03, 0.06])        # shoe centre from the ankle, foot flat
STANCE = 0.6                                    # share of the cycle a foot is on the ground
STRIDE = 0.19                                   # foot travel either side of the hip
STEP_LIFT = 0.1
BOB = 0.014
ANKLE_HALF_WIDTH = 0.09


def foot_path(u):
    """Forward offset, lift and pitch (toes up positive) of a foot at point u of its own cycle.

    On the ground (u < STANCE) the foot slides back at an even speed, as on a treadmill, landing
    on its heel and leaving from its toes; in the air it swings forward along a smooth arc."""
    if u < STANCE:
        s = u / STANCE
        pitch = 12 * max(0, 1 - s / 0.2) ** 2 - 24 * max(0, (s - 0.7) / 0.3) ** 2
        return STRIDE * (1 - 2 * s), 0.0, np.radians(pitch)
    v = (u - STANCE) / (1 - STANCE)
    ease = (1 - np.cos(np.pi * v)) / 2
    return -STRIDE + 2 * STRIDE * ease, STEP_LIFT * np.sin(np.pi * v), np.radians(-24 + 36 * ease)


def _lowest(centre, rot, radii):
    return centre[1] - np.sqrt(((rot[1] * radii) ** 2).sum())


def foot_placement(side, u):
    """Ankle position and foot rotation; the shoe's lowest point touches the floor unless lifted."""
    forward, lift, pitch = foot_path(u)
    rot = rot_x(-pitch)
    rest = -_lowest(rot @ SHOE_OFFSET, rot, SHOE_RADII)
    return np.array([side * ANKLE_HALF_WIDTH, rest + lift, forward]), rot


def _hips(phase):
    """Pelvis sway and yaw, and the two hip joints relative to a pelvis at height 0."""
    turn = 2 * np.pi * phase
    yaw = -np.radians(5) * np.cos(turn)
    sway = 0.018 * np.sin(turn)                 # over the standing foot
    hips = {side: np.array([sway, 0, 0]) + rot_y(yaw) @ np.array([side * HIP_HALF_WIDTH, -0.02, 0])
            for side in (1, -1)}
    return sway, yaw, hips


def _leg_phase(side, phase):
    return (phase + (0.0 if side == 1 else 0.5)) % 1.0


@functools.lru_cache(maxsize=1)
def pelvis_base():
    """The highest pelvis that leaves every leg a little bent over the whole cycle."""
    reach = THIGH + SHIN - 0.004
    best = np.inf
    for phase in np.arange(256) / 256:
        _, _, hips = _hips(phase)
        for side, hip in hips.items():
            ankle, _ = foot_placement(side, _leg_phase(side, phase))
            dx, dz = ankle[0] - hip[0], ankle[2] - hip[2]
            allowed = ankle[1] + np.sqrt(reach ** 2 - dx ** 2 - dz ** 2) - hip[1]
            best = min(best, allowed + BOB * np.cos(4 * np.pi * (phase - 0.05)))
    return best


def knee_position(hip, ankle):
    """Two-bone solution with the knee bending forward, towards the viewer."""
    v = ankle - hip
    d = min(np.linalg.norm(v), THIGH + SHIN - 1e-6)
    u = v / np.linalg.norm(v)
    bend = np.arccos(np.clip((THIGH ** 2 + d ** 2 - SHIN ** 2) / (2 * THIGH * d), -1, 1))
    ahead = np.array([0, 0, 1.0]) - u * u[2]
    ahead /= np.linalg.norm(ahead)
    return hip + THIGH * (np.cos(bend) * u + np.sin(bend) * ahead)


class Pose:
    """Joint positions of the figure at a point `phase` in [0, 1) of the gait cycle.

    Side +1 is the figure's left (the viewer's right); the left foot lands at phase 0, the right
    at phase 0.5.  The pelvis is lowest just after each landing and highest over each standing
    foot, so the body bobs twice per cycle."""

    def __init__(self, phase):
        self.phase = phase
        sway, yaw, hips = _hips(phase)
        height = pelvis_base() - BOB * np.cos(4 * np.pi * (phase - 0.05))
        self.pelvis = np.array([sway, height, 0])
        self.pelvis_yaw = yaw
        self.legs = {}
        for side, hip in hips.items():
            hip = hip + [0, height, 0]
            ankle, foot_rot = foot_placement(side, _leg_phase(side, phase))
            knee = knee_position(hip, ankle)
            self.legs[side] = (hip, knee, ankle, ankle + foot_rot @ SHOE_OFFSET, foot_rot)
        self.chest_yaw = -0.7 * yaw
        self.chest = self.pelvis + np.array([-0.3 * sway, 0.36, 0])
        self.head_roll = -np.radians(2.5) * np.sin(2 * np.pi * phase)
        self.arms = {side: self._arm(side, 2 * np.pi * _leg_phase(side, phase)) for side in (1, -1)}

    def _arm(self, side, psi):
        """Each arm swings against the leg on its own side."""
        shoulder = self.chest + rot_y(self.chest_yaw) @ np.array([side * SHOULDER_HALF_WIDTH, 0.1, 0])
        swing = -np.radians(26) * np.cos(psi)
        elbow_bend = np.radians(12 + 30 * (1 - np.cos(psi)) / 2)
        spread = np.radians(9)
        upper = np.array([side * np.sin(spread), -np.cos(spread) * np.cos(swing), np.sin(swing)])
        elbow = shoulder + UPPER_ARM * upper
        fore_angle = swing + elbow_bend
        fore = np.array([side * np.sin(spread) * 0.6, -np.cos(fore_angle), np.sin(fore_angle)])
        return shoulder, elbow, elbow + FOREARM * fore / np.linalg.norm(fore)


def blink_amount(pose_index):
    """Once per cycle the eyes close for a moment."""
    return {21: 0.6, 22: 1.0, 23: 0.6}.get(pose_index, 0.0)


SKIN_M = Material(SKIN, rim=0.3, group=1)
HAIR_M = Material(HAIR, highlight=0.35, shine=30, rim=0.35, group=2)
SHIRT_M = Material(SHIRT, rim=0.3, group=3)
CHEST_M = Material(SHIRT, rim=0.3, group=3, paint=star_paint)
SLEEVE_M = Material(SHIRT, rim=0.3, group=3, paint=sleeve_paint)
JEANS_M = Material(JEANS, rim=0.3, group=4)
SHIN_M = Material(JEANS, rim=0.3, group=4, paint=cuff_paint)
SHOE_M = {side: Material(SHOE, highlight=0.25, shine=25, rim=0.3, group=10 + side, paint=shoe_paint)
          for side in (1, -1)}


def _legs(pose):
    parts = []
    for side, (hip, knee, ankle, shoe, foot_rot) in pose.legs.items():
        parts += [Capsule(hip, knee, 0.078, JEANS_M), Capsule(knee, ankle + [0, 0.05, 0], 0.066, SHIN_M),
                  Ellipsoid(shoe, SHOE_RADII, SHOE_M[side], rotation=foot_rot)]
    return parts


def _torso(pose):
    hips, chest = rot_y(pose.pelvis_yaw), rot_y(pose.chest_yaw)
    return [Ellipsoid(pose.pelvis + [0, 0.03, 0], [0.175, 0.11, 0.115], JEANS_M, rotation=hips),
            Ellipsoid(pose.chest + [0, -0.07, 0], [0.19, 0.27, 0.125], CHEST_M, rotation=chest),
            Capsule(pose.chest + chest @ [-0.13, 0.1, 0], pose.chest + chest @ [0.13, 0.1, 0], 0.075, SHIRT_M)]


def _arms(pose):
    parts = []
    for shoulder, elbow, wrist in pose.arms.values():
        parts += [Capsule(shoulder, shoulder + 0.6 * (elbow - shoulder), 0.07, SLEEVE_M),
                  Capsule(shoulder, elbow, 0.052, SKIN_M), Capsule(elbow, wrist, 0.047, SKIN_M),
                  Ellipsoid(wrist + (wrist - elbow) * 0.3, [0.055, 0.062, 0.05], SKIN_M)]
    return parts


def _head(pose, blink):
    tilt = rot_z(pose.head_roll)
    neck = pose.chest + [0, 0.16, 0]
    head = neck + tilt @ np.array([0, 0.21, 0])
    face = Material(SKIN, rim=0.3, group=1, paint=face_paint(blink))
    return [Capsule(pose.chest + [0, 0.12, 0], neck + [0, 0.06, 0], 0.052, SKIN_M),
            Ellipsoid(head, [0.185, 0.178, 0.172], face, rotation=tilt),
            Ellipsoid(head + tilt @ [0, -0.035, 0.172], [0.022, 0.019, 0.017], SKIN_M),           # nose
            Ellipsoid(head + tilt @ [0, 0.014, -0.01], [0.198, 0.194, 0.19], HAIR_M, rotation=tilt,
                      keep=hair_keep),
            Ellipsoid(head + tilt @ [0.035, 0.215, 0.0], [0.03, 0.075, 0.032], HAIR_M,      # the tuft
                      rotation=tilt @ rot_z(-0.55))]


def figure_parts(pose, blink=0.0):
    return _legs(pose) + _torso(pose) + _arms(pose) + _head(pose, blink)


# Camera for a 128 x 295 cell: a little above the hips and far enough back that feet stepping
# towards the viewer grow and drop only gently.
CELL = (128, 295)
INK = 0.5                   # width of the ink lines in pixels of a 100 % cell


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


def render_pose(index, ss=4, scale=1.0, size=CELL, ink=INK):
    """Linear premultiplied colour and coverage of pose `index` (0..31) in a cell of `size`, the
    figure `scale` times its size in a 100 % cell, with ink lines `ink` pixels wide."""
    pose = Pose(index / POSES)
    camera = cell_camera(ss, scale, size)
    colour, cover = Render(camera, figure_parts(pose, blink_amount(index)), ss, ink).downsample()
    return colour + ground_shadow(size, camera, ss, pose) * (1 - cover)[..., None], cover
