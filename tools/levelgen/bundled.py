"""The bundled levels: six levels, easiest first, and the closing scene,
with the models they share.

World units: x runs across a lane, y along it away from the player, z up.
Every lane top stands at z = 0 unless a level says otherwise; pins stand on
their floor through Scene.pin and the ball through ball_on, so their centres
are 0.3 and 0.5 above it."""

import math
from typing import Callable

from .bodies import ball_on, model_meshes, triangle_rack
from .mesh import (GREY, MAPLE, PINE, Colour, Mesh, Point2, ProfilePoint, Section, box, boards,
                   floor_quads, gutters, lane_marks, lane_slab, lathe, loft, polygon_slab,
                   regular_polygon, side_wall)
from .programs import Programs, triangle_files
from .scene import Scene
from .vectors import lerp, unit


# --- Level 1: a short lane with three pins and open edges everywhere.

def warm_up() -> Scene:
    s = Scene("warmup", background=(0.10, 0.16, 0.30), overlay=(1.0, 0.9, 0.45),
              fall_height=-5.0, camera=(0.0, -6.0, 3.2), ball_model="ball_blue",
              ball_start=ball_on(0, 0))
    x0, x1, y0, y1 = -2.1, 2.1, -2.0, 12.5
    boards(s.lane, x0, x1, y0, y1, 0.0, 14, MAPLE, lane_marks(1.0, x0, x1, 14))
    lane_slab(s.lane, x0, x1, y0, y1, 0.6, (120, 84, 52))
    floor_quads(s.collision, x0, x1, y0, y1, 0.0)
    for x, y in triangle_rack(2, (0.0, 9.0)):
        s.pin(x, y)
    return s


# --- Level 2: a funnel. Banked sides slope down into a narrow neck that
# steers the ball onto a low deck where the pins stand.

TURF = [(86, 160, 84), (74, 144, 72)]
STONE = [(200, 196, 180), (184, 178, 160)]


def funnel() -> Scene:
    s = Scene("funnel", background=(0.55, 0.74, 0.92), overlay=(0.06, 0.08, 0.30),
              fall_height=-5.0, camera=(0.0, -6.0, 3.6), ball_model="ball_purple",
              ball_start=ball_on(0, 0))
    rim, y_top, y_neck, drop = 3.5, 2.0, 12.0, 1.5

    def section(t: float) -> list[Point2]:
        """Cross-section at fraction t of the way down: a flat chute floor
        whose half-width shrinks, and banks that rise to the rim."""
        half = lerp(rim, 0.75, 1 - (1 - t) ** 2)
        floor = -drop * t
        top = floor + (rim - half) * 0.5
        return [(-rim, top), (-half, floor), (half, floor), (rim, top)]

    def sections(stations: int) -> list[Section]:
        return [(lerp(y_top, y_neck, k / stations), section(k / stations))
                for k in range(stations + 1)]

    def colour(i: int, j: int) -> Colour:
        return STONE[i % 2] if j == 1 else TURF[i % 2]

    boards(s.lane, -rim, rim, -2.0, y_top, 0.0, 20, PINE)
    box(s.lane, (-rim, -2.0, -0.8), (rim, y_top, 0.0), None, (110, 74, 44), faces="sew")
    floor_quads(s.collision, -rim, rim, -2.0, y_top, 0.0)
    loft(s.lane, sections(10), colour)
    loft(s.collision, sections(5), lambda i, j: GREY)
    # The funnel's outer walls under its rims, seen from the sides.
    rims = sections(10)
    wall_green, wall_bottom = (60, 110, 58), -drop - 0.6
    side_wall(s.lane, rim, 1, [(y, points[-1][1]) for y, points in rims], wall_bottom, wall_green)
    side_wall(s.lane, -rim, -1, [(y, points[0][1]) for y, points in rims], wall_bottom, wall_green)
    deck_half, deck_end, deck_z = 2.3, 19.0, -drop
    boards(s.lane, -deck_half, deck_half, y_neck, deck_end, deck_z, 12, MAPLE)
    box(s.lane, (-deck_half, y_neck, deck_z - 0.5), (deck_half, deck_end, deck_z), None,
        (120, 84, 52), faces="ewn")
    floor_quads(s.collision, -deck_half, deck_half, y_neck, deck_end, deck_z)
    for x, y in triangle_rack(3, (0.0, 14.8)):
        s.pin(x, y, deck_z)
    return s


# --- Level 3: the classic ten-pin rack, gutters and a pit with a curtain.

def ten_pin() -> Scene:
    s = Scene("tenpin", background=(0.13, 0.08, 0.20), overlay=(0.55, 0.95, 1.0),
              fall_height=-4.0, camera=(0.0, -7.0, 3.6), ball_model="ball_red",
              ball_start=ball_on(0, 0))
    half, gutter, y0, y_end, y_pit = 2.0, 0.7, -2.0, 19.5, 22.5
    boards(s.lane, -half, half, y0, y_end, 0.0, 16, MAPLE, lane_marks(1.0, -half, half, 16))
    floor_quads(s.collision, -half, half, y0, y_end, 0.0)
    gutters(s.lane, s.collision, half, gutter, y0, y_end, 0.05, 1.1, 6)
    edge = half + gutter
    # Caps beyond the gutters and the slab's sides.
    for sign in (1, -1):
        xa, xb = sorted((sign * edge, sign * (edge + 0.25)))
        box(s.lane, (xa, y0, -1.2), (xb, y_end, 0.0), (96, 62, 40), (70, 46, 30),
            faces="ts" + ("e" if sign > 0 else "w"))
        floor_quads(s.collision, xa, xb, y0, y_end, 0.0)
    box(s.lane, (-half, y0, -1.2), (half, y0 + 0.001, 0.0), None, (120, 84, 52), faces="s")
    for sign in (1, -1):
        # The gutter ends seen from the player's side.
        xa, xb = sorted((sign * half, sign * edge))
        box(s.lane, (xa, y0, -1.2), (xb, y0 + 0.001, -0.36), None, (70, 46, 30), faces="s")
    # The pit: dark walls falling away behind the lane, and the curtain that
    # stops pins flying on.
    pit_dark, pit_floor = (34, 30, 40), -1.6
    w = edge + 0.25
    s.lane.quad((-w, y_end, pit_floor), (w, y_end, pit_floor), (w, y_pit, pit_floor),
                (-w, y_pit, pit_floor), pit_dark)
    box(s.lane, (-w - 0.3, y_end, pit_floor), (-w, y_pit, 2.2), (60, 40, 30), (80, 54, 36),
        faces="te")
    box(s.lane, (w, y_end, pit_floor), (w + 0.3, y_pit, 2.2), (60, 40, 30), (80, 54, 36),
        faces="tw")
    curtain = (120, 20, 34)
    s.lane.quad((-w, y_pit, pit_floor), (w, y_pit, pit_floor), (w, y_pit, 2.2),
                (-w, y_pit, 2.2), curtain, ambient=0.7)
    for k in range(1, 4):
        z = lerp(pit_floor, 2.2, k / 4)
        s.lane.quad((-w, y_pit - 0.01, z - 0.05), (w, y_pit - 0.01, z - 0.05),
                    (w, y_pit - 0.01, z + 0.05), (-w, y_pit - 0.01, z + 0.05), (230, 200, 60),
                    ambient=0.8)
    s.collision.quad((-w, y_pit, -4.5), (w, y_pit, -4.5), (w, y_pit, 2.2), (-w, y_pit, 2.2), GREY)
    for x, y in triangle_rack(4, (0.0, 15.5)):
        s.pin(x, y)
    return s


# --- Level 4: a ramp throws the ball over a gap onto a raised deck with a
# backstop; a slow ball rolls back or drops into the gap, a fast one comes
# back off the backstop.

RAMP_STRIPES = [(220, 40, 40), (240, 236, 228)]
PADDING = [(40, 60, 140), (34, 50, 120)]


def ramp_jump() -> Scene:
    s = Scene("jump", background=(0.04, 0.04, 0.12), overlay=(1.0, 0.62, 0.2),
              fall_height=-5.0, camera=(0.0, -8.5, 4.6), ball_model="ball_blue",
              ball_start=ball_on(0, 0))
    half, y_ramp, ramp_length, lip = 2.0, 6.5, 4.5, 0.7
    y_lip = y_ramp + ramp_length
    boards(s.lane, -half, half, -2.0, y_ramp, 0.0, 14, MAPLE, lane_marks(1.0, -half, half, 14))
    lane_slab(s.lane, -half, half, -2.0, y_ramp, 0.6, (120, 84, 52))
    floor_quads(s.collision, -half, half, -2.0, y_ramp, 0.0)

    def ramp(stations: int) -> list[Section]:
        """The ramp's curve, getting steeper toward the lip."""
        return [(y_ramp + ramp_length * t, [(-half, lip * t * t), (half, lip * t * t)])
                for t in (k / stations for k in range(stations + 1))]

    loft(s.lane, ramp(8), lambda i, j: RAMP_STRIPES[i % 2])
    loft(s.collision, ramp(6), lambda i, j: GREY)
    side = (150, 30, 30)
    edge = [(y, points[0][1]) for y, points in ramp(8)]
    side_wall(s.lane, half, 1, edge, -0.6, side)
    side_wall(s.lane, -half, -1, edge, -0.6, side)
    s.lane.quad((half, y_lip, -0.6), (-half, y_lip, -0.6), (-half, y_lip, lip), (half, y_lip, lip),
                side)
    # The landing deck, its face toward the gap solid so that a short ball
    # bounces back into the gap.
    deck_half, y_deck, deck_end, deck_z = 2.6, y_lip + 2.5, y_lip + 12.5, 0.3
    boards(s.lane, -deck_half, deck_half, y_deck, deck_end, deck_z, 16, MAPLE)
    box(s.lane, (-deck_half, y_deck, deck_z - 0.9), (deck_half, deck_end, deck_z), None,
        (120, 84, 52), faces="sew")
    floor_quads(s.collision, -deck_half, deck_half, y_deck, deck_end, deck_z)
    box(s.collision, (-deck_half, y_deck, deck_z - 0.9), (deck_half, deck_end, deck_z), None, GREY,
        faces="s")
    # The backstop: padded, in stripes.
    wall_top, stripes = deck_z + 4.5, 9
    for k in range(stripes):
        za, zb = lerp(deck_z, wall_top, k / stripes), lerp(deck_z, wall_top, (k + 1) / stripes)
        s.lane.quad((-deck_half, deck_end, za), (deck_half, deck_end, za),
                    (deck_half, deck_end, zb),
                    (-deck_half, deck_end, zb), PADDING[k % 2], ambient=0.8)
    box(s.lane, (-deck_half, deck_end, deck_z), (deck_half, deck_end + 0.3, wall_top),
        (60, 80, 160),
        (30, 40, 90), faces="tew")
    s.collision.quad((-deck_half, deck_end, deck_z), (deck_half, deck_end, deck_z),
                     (deck_half, deck_end, wall_top), (-deck_half, deck_end, wall_top), GREY)
    for x, y in triangle_rack(3, (0.0, y_deck + 4.0)):
        s.pin(x, y, deck_z)
    return s


# --- Level 5: a narrow bridge over a chasm, pins standing on it and a
# small platform at its far end.

PLANKS = [(160, 110, 64), (140, 94, 54), (170, 120, 72)]


def bridge() -> Scene:
    s = Scene("bridge", background=(0.30, 0.09, 0.12), overlay=(1.0, 0.93, 0.6),
              fall_height=-5.0, camera=(0.0, -5.5, 3.4), ball_model="ball_green",
              ball_start=ball_on(0, 0))
    pad_half, pad_end, bridge_half = 2.0, 2.0, 0.7
    platform_centre, platform_radius = (0.0, 18.0), 2.2
    corners = regular_polygon(platform_centre, platform_radius, 8, math.pi / 8)
    y_bridge_end = platform_centre[1] - platform_radius * math.cos(math.pi / 8)
    boards(s.lane, -pad_half, pad_half, -2.0, pad_end, 0.0, 12, MAPLE)
    box(s.lane, (-pad_half, -2.0, -1.0), (pad_half, pad_end, 0.0), None, (110, 74, 44),
        faces="sewn")
    floor_quads(s.collision, -pad_half, pad_half, -2.0, pad_end, 0.0)
    # Planks laid across the bridge.
    planks = 28
    for k in range(planks):
        ya = lerp(pad_end, y_bridge_end, k / planks)
        yb = lerp(pad_end, y_bridge_end, (k + 1) / planks)
        box(s.lane, (-bridge_half, ya, -0.25), (bridge_half, yb, 0.0), PLANKS[k % 3], (90, 60, 36),
            faces="tew")
    floor_quads(s.collision, -bridge_half, bridge_half, pad_end, y_bridge_end, 0.0)
    polygon_slab(s.lane, corners, 0.0, -1.0, (214, 176, 120), (110, 74, 44))
    polygon_slab(s.collision, corners, 0.0, -1.0, GREY, GREY)
    # Posts at the bridge's mouth; solid, so a wide throw glances off them.
    for x in (-1.4, 1.4):
        lo, hi = (x - 0.12, pad_end - 0.3, 0.0), (x + 0.12, pad_end - 0.06, 1.0)
        box(s.lane, lo, hi, (180, 140, 90), (120, 84, 52), faces="tsnew")
        box(s.collision, lo, hi, GREY, GREY, faces="snew")
    for y in (7.0, 10.5):
        s.pin(0.0, y)
    for dx, dy in [(0.0, -0.75), (-0.55, 0.1), (0.55, 0.1), (0.0, 0.95)]:
        s.pin(platform_centre[0] + dx, platform_centre[1] + dy)
    return s


# --- Level 6: islands in a sea, lower than the start, each with a few pins;
# the ball must fly off the start pad and land on them.

SAND = (222, 200, 140)
ROCK = (120, 98, 78)
SEA = [(40, 140, 170), (48, 152, 180)]


def island(s: Scene, centre: Point2, radius: float, top_z: float, pins: list[Point2]) -> None:
    """An octagonal island with a sandy top and rocky sides, solid all over,
    and pins at the given offsets from its centre."""
    corners = regular_polygon(centre, radius, 8, math.pi / 8)
    polygon_slab(s.lane, corners, top_z, top_z - 1.2, SAND, ROCK)
    polygon_slab(s.collision, corners, top_z, top_z - 1.2, GREY, GREY)
    for dx, dy in pins:
        s.pin(centre[0] + dx, centre[1] + dy, top_z)


def in_line(centre: Point2, count: int, spacing: float = 0.95) -> list[Point2]:
    """Offsets of pins standing one behind another on the line from the
    ball's start through the island's centre."""
    d = unit((centre[0], centre[1], 0.0))
    return [(d[0] * spacing * (k - (count - 1) / 2), d[1] * spacing * (k - (count - 1) / 2))
            for k in range(count)]


def islands() -> Scene:
    s = Scene("islands", background=(0.98, 0.74, 0.50), overlay=(0.05, 0.05, 0.25),
              fall_height=-5.0, camera=(0.0, -6.5, 5.0), ball_model="ball_red",
              ball_start=ball_on(0, 0))
    pad_half, pad_end = 1.5, 2.5
    boards(s.lane, -pad_half, pad_half, -2.0, pad_end, 0.0, 8, PINE)
    box(s.lane, (-pad_half, -2.0, -1.5), (pad_half, pad_end, 0.0), None, ROCK, faces="sewn")
    floor_quads(s.collision, -pad_half, pad_half, -2.0, pad_end, 0.0)
    left, right, far = (-2.9, 7.5), (3.1, 11.0), (0.0, 16.0)
    island(s, left, 1.9, -0.8, in_line(left, 2))
    island(s, right, 1.9, -1.2, in_line(right, 2))
    island(s, far, 2.2, -2.2, [(x, y - 15.6) for x, y in triangle_rack(2, (0.0, 15.6))])
    # The sea far below, in bands; bodies fall out above it.
    sea_z, x_far, y_near, y_far = -6.0, 30.0, -8.0, 40.0
    bands = 12
    for k in range(bands):
        ya, yb = lerp(y_near, y_far, k / bands), lerp(y_near, y_far, (k + 1) / bands)
        s.lane.quad((-x_far, ya, sea_z), (x_far, ya, sea_z), (x_far, yb, sea_z),
                    (-x_far, yb, sea_z),
                    SEA[k % 2], ambient=1.0)
    return s


# --- The closing scene: the ball and a full rack on a round stage before a
# curtain. Nothing moves here.

STAGE_PROFILE: list[ProfilePoint] = [
    (0.0, 0.0, (90, 20, 30)),
    (0.0, 3.4, (150, 30, 40)),
    (0.7, 3.4, (230, 190, 80)),
    (0.7, 3.1, (150, 30, 40)),
    (0.7, 2.4, (230, 190, 80)),
    (0.7, 2.3, (150, 30, 40)),
    (0.7, 0.0, (150, 30, 40)),
]


def closing() -> Scene:
    s = Scene("finale", background=(0.05, 0.03, 0.10), overlay=(1.0, 0.82, 0.25),
              fall_height=-10.0, camera=(0.0, -6.2, 2.4), ball_model="ball_blue",
              ball_start=ball_on(0.0, -1.6))
    stage = Mesh()
    lathe(stage, STAGE_PROFILE, 24, -0.7, ambient=0.6)
    s.lane.extend(stage)
    polygon_slab(s.collision, regular_polygon((0, 0), 3.4, 8), 0.0, -0.7, GREY, GREY)
    curtain = [(120, 18, 32), (100, 14, 26)]
    folds = 16
    for k in range(folds):
        xa, xb = lerp(-9, 9, k / folds), lerp(-9, 9, (k + 1) / folds)
        s.lane.quad((xa, 5.0, -3.0), (xb, 5.0, -3.0), (xb, 5.0, 6.0), (xa, 5.0, 6.0),
                    curtain[k % 2], ambient=0.8)
    for x, y in triangle_rack(4, (0.0, -0.2)):
        s.pin(x, y)
    return s


# Play order, easiest first; the closing scene comes last in the list.
LEVELS: list[Callable[[], Scene]] = [warm_up, funnel, ten_pin, ramp_jump, bridge, islands]
CLOSING = closing


def scenes() -> list[Scene]:
    """Every bundled scene in play order, the closing scene last."""
    return [level() for level in LEVELS] + [CLOSING()]


def file_names(all_scenes: list[Scene]) -> set[str]:
    """The names of every model and of every file of the given scenes."""
    names = set(model_meshes())
    for scene in all_scenes:
        names.update(scene.file_names())
    return names


def all_files(all_scenes: list[Scene], programs: Programs) -> dict[str, str]:
    """Every model, and every file of the given scenes, by name; the scene
    list is left to the caller, who merges it with the list already there."""
    meshes = model_meshes()
    files = {}
    for scene in all_scenes:
        meshes.update(scene.meshes())
        files[scene.scene_file()] = scene.text()
    files.update(triangle_files(meshes, programs))
    return files
