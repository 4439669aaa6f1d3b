#!/usr/bin/env python3
"""Builds Skorvel's bundled levels: the scene list, every scene file, the
models the levels draw and the collision meshes they roll on.

    python3 tools/make_levels.py           writes levels/
    python3 tools/make_levels.py --check   rebuilds into a temporary folder and
                                           fails, naming the files, if levels/
                                           differs from what this script makes

World units: x runs across a lane, y along it away from the player, z up.
Every lane top stands at z = 0 unless a level says otherwise. There is no
lighting in the game, so every colour written here is already shaded from
one fixed light; see `shade`.
"""

import argparse
import math
import os
import sys
import tempfile

# ---------------------------------------------------------------------------
# Vectors: plain tuples of three floats.


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def scale(v, s):
    return (v[0] * s, v[1] * s, v[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(v):
    return math.sqrt(dot(v, v))


def unit(v):
    n = length(v)
    return (v[0] / n, v[1] / n, v[2] / n) if n > 0 else (0.0, 0.0, 1.0)


def lerp(a, b, t):
    return a + (b - a) * t


# ---------------------------------------------------------------------------
# Colour. The light comes from above, from the player's side and a little
# from the left, so the faces the camera sees are the lit ones.

LIGHT = unit((-0.4, -0.55, 0.75))
# Roughly from a body toward the camera, which always stands behind the ball
# and above it: used for the highlights on the ball and the pins.
VIEW = unit((0.0, -1.0, 0.45))
HALFWAY = unit(add(LIGHT, VIEW))


def shade(base, normal, ambient=0.55, shine=0.0, gloss=20):
    """The colour a surface of colour `base` shows when it faces `normal`:
    ambient light everywhere, diffuse light from LIGHT, and optionally a white
    highlight of strength `shine` where the surface mirrors LIGHT to VIEW."""
    diffuse = max(0.0, dot(normal, LIGHT))
    k = ambient + (1.0 - ambient) * diffuse
    highlight = shine * max(0.0, dot(normal, HALFWAY)) ** gloss
    return tuple(min(255, int(round(c * k + 255 * highlight))) for c in base)


# ---------------------------------------------------------------------------
# Meshes: lists of coloured triangles, written in the model file layout
# (which the collision files share).


def fmt(x):
    text = "%.4f" % x
    return "0.0000" if text == "-0.0000" else text


class Mesh:
    def __init__(self):
        self.triangles = []  # (normal, [(colour, vertex)] * 3)

    def triangle(self, a, b, c, colours):
        """a, b, c run counter-clockwise seen from the side that shows.
        `colours` is one colour or three, one per corner. Triangles of no area
        (the tip of a lathe) are dropped."""
        normal = cross(sub(b, a), sub(c, a))
        if length(normal) < 1e-9:
            return
        if isinstance(colours[0], int):
            colours = (colours, colours, colours)
        self.triangles.append((unit(normal), list(zip(colours, (a, b, c)))))

    def quad(self, a, b, c, d, base, **shading):
        """A flat quad a-b-c-d, counter-clockwise from the side that shows,
        shaded from its own normal."""
        colour = shade(base, unit(cross(sub(b, a), sub(c, a))), **shading)
        self.triangle(a, b, c, colour)
        self.triangle(a, c, d, colour)

    def extend(self, other):
        self.triangles.extend(other.triangles)

    def text(self):
        lines = ["triangles %d" % len(self.triangles)]
        for normal, corners in self.triangles:
            lines.append("normal [%s, %s, %s]" % tuple(map(fmt, normal)))
            for colour, vertex in corners:
                lines.append("colour [%d, %d, %d]" % colour)
                lines.append("vertex [%s, %s, %s]" % tuple(map(fmt, vertex)))
        return "\n".join(lines) + "\n"


def box(mesh, lo, hi, top, side, faces="tnsewb"):
    """An axis-aligned box from corner lo to corner hi. `faces` picks the
    faces to make: t(op), b(ottom), n(orth, +y), s(outh, -y, toward the
    player), e(ast, +x), w(est, -x)."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    if "t" in faces:
        mesh.quad((x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1), top)
    if "b" in faces:
        mesh.quad((x0, y0, z0), (x0, y1, z0), (x1, y1, z0), (x1, y0, z0), side)
    if "s" in faces:
        mesh.quad((x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1), side)
    if "n" in faces:
        mesh.quad((x1, y1, z0), (x0, y1, z0), (x0, y1, z1), (x1, y1, z1), side)
    if "e" in faces:
        mesh.quad((x1, y0, z0), (x1, y1, z0), (x1, y1, z1), (x1, y0, z1), side)
    if "w" in faces:
        mesh.quad((x0, y1, z0), (x0, y0, z0), (x0, y0, z1), (x0, y1, z1), side)


def loft(mesh, sections, colour_of):
    """A surface swept along y. `sections` lists (y, points) with y growing,
    each a cross-section of (x, z) points running toward +x, all with the
    same number of points; the surface faces up (or inward, for walls that
    rise to the side). colour_of(i, j) gives the base colour of the strip
    between points j and j + 1 of sections i and i + 1."""
    for i in range(len(sections) - 1):
        ya, pa = sections[i]
        yb, pb = sections[i + 1]
        for j in range(len(pa) - 1):
            mesh.quad((pa[j][0], ya, pa[j][1]), (pa[j + 1][0], ya, pa[j + 1][1]),
                      (pb[j + 1][0], yb, pb[j + 1][1]), (pb[j][0], yb, pb[j][1]),
                      colour_of(i, j))


def polygon_slab(mesh, corners, top_z, bottom_z, top, side):
    """A flat-topped slab over a convex polygon given counter-clockwise from
    above, with its side walls: islands, platforms and stages."""
    centre = (sum(c[0] for c in corners) / len(corners), sum(c[1] for c in corners) / len(corners))
    for k in range(len(corners)):
        a, b = corners[k], corners[(k + 1) % len(corners)]
        mesh.triangle((centre[0], centre[1], top_z), (a[0], a[1], top_z), (b[0], b[1], top_z),
                      shade(top, (0, 0, 1)))
        mesh.quad((a[0], a[1], bottom_z), (b[0], b[1], bottom_z), (b[0], b[1], top_z),
                  (a[0], a[1], top_z), side)


def regular_polygon(centre, radius, sides, turn=0.0):
    return [(centre[0] + radius * math.cos(turn + 2 * math.pi * k / sides),
             centre[1] + radius * math.sin(turn + 2 * math.pi * k / sides)) for k in range(sides)]


def side_wall(mesh, x, outward, edge, bottom_z, colour):
    """A vertical wall in the plane at x, under a top edge given as (y, z)
    points with y growing, down to bottom_z; it faces +x when outward is 1
    and -x when it is -1."""
    for (y0, z0), (y1, z1) in zip(edge, edge[1:]):
        quad = [(x, y0, bottom_z), (x, y1, bottom_z), (x, y1, z1), (x, y0, z0)]
        if outward < 0:
            quad = [quad[1], quad[0], quad[3], quad[2]]
        mesh.quad(*quad, colour)


def floor_quads(mesh, x0, x1, y0, y1, z):
    """Collision floor: one quad facing up."""
    mesh.quad((x0, y0, z), (x1, y0, z), (x1, y1, z), (x0, y1, z), GREY)


# ---------------------------------------------------------------------------
# Lane surfaces: boards of alternating wood tones running along the lane,
# with darker inlaid marks (foul line, dots, arrows) cut into the boards.

MAPLE = [(226, 186, 128), (210, 166, 106), (232, 196, 140), (204, 160, 100)]
PINE = [(190, 128, 74), (172, 112, 62), (198, 138, 84)]
GREY = (150, 150, 150)


def boards(mesh, x0, x1, y0, y1, z, count, tones, marks=(), stations=()):
    """`count` boards across [x0, x1] from y0 to y1 at height z. `marks` are
    (x_from, x_to, y_from, y_to, colour) rectangles; every board they cross
    is cut and coloured there. `stations` are extra cuts across the lane."""
    width = (x1 - x0) / count
    for b in range(count):
        bx0, bx1 = x0 + b * width, x0 + (b + 1) * width
        centre = (bx0 + bx1) / 2
        mine = [m for m in marks if m[0] <= centre <= m[1]]
        cuts = {y0, y1}
        cuts.update(s for s in stations if y0 < s < y1)
        for m in mine:
            cuts.update((m[2], m[3]))
        cuts = sorted(c for c in cuts if y0 <= c <= y1)
        tone = tones[(b * 3 + b // 2) % len(tones)]
        for ya, yb in zip(cuts, cuts[1:]):
            colour = tone
            for m in mine:
                if m[2] <= ya and yb <= m[3]:
                    colour = m[4]
            mesh.quad((bx0, ya, z), (bx1, ya, z), (bx1, yb, z), (bx0, yb, z), colour)


def lane_marks(y_foul, x0, x1, count, colour=(70, 40, 30)):
    """A foul line across the lane, approach dots behind it and a chevron of
    arrows ahead of it, each sized to one board."""
    width = (x1 - x0) / count
    marks = [(x0, x1, y_foul, y_foul + 0.1, colour)]

    def on_board(b, ya, yb):
        return (x0 + b * width, x0 + (b + 1) * width, ya, yb, colour)

    middle = count // 2
    for step in range(2, middle, 3):
        for b in (middle - step - 1, middle + step):
            marks.append(on_board(b, y_foul - 1.3, y_foul - 1.1))
            # Arrows further ahead toward the edges, pointing at the pins.
            arrow_y = y_foul + 2.5 + 0.5 * step
            marks.append(on_board(b, arrow_y, arrow_y + 0.45))
    marks.append(on_board(middle, y_foul + 2.5, y_foul + 2.95))
    marks.append(on_board(middle - 1, y_foul + 2.5, y_foul + 2.95))
    return marks


def lane_slab(mesh, x0, x1, y0, y1, depth, side_colour):
    """The lane's visible edges below its top: the front face toward the
    player and the two long sides."""
    box(mesh, (x0, y0, -depth), (x1, y1, 0.0), None, side_colour, faces="sewn")


def gutter_section(x_inner, x_outer, drop):
    """Cross-section of a rounded gutter from the lane edge to its outer lip,
    points running toward +x (mirror it for the left side)."""
    points = []
    for k in range(7):
        t = k / 6
        x = lerp(x_inner, x_outer, t)
        z = -(0.3 + drop) * math.sin(math.pi * t)
        points.append((x, z))
    return points


def mirror(points):
    return [(-x, z) for x, z in reversed(points)]


STEEL = (150, 158, 172)


def gutters(mesh, collision, x_lane, width, y0, y1, drop_start, drop_end, stations):
    """Gutters on both sides of a lane, sinking toward the far end so that
    whatever drops in slides on into the pit."""
    sections = []
    for k in range(stations + 1):
        y = lerp(y0, y1, k / stations)
        drop = lerp(drop_start, drop_end, k / stations)
        sections.append((y, gutter_section(x_lane, x_lane + width, drop)))
    left = [(y, mirror(points)) for y, points in sections]
    for target, s in ((mesh, sections), (mesh, left)):
        loft(target, s, lambda i, j: STEEL)
    # The collision gutters: the same cross-section with fewer points.
    coarse = []
    for y, drop in ((y0, drop_start), (y1, drop_end)):
        full = gutter_section(x_lane, x_lane + width, drop)
        coarse.append((y, [full[0], full[2], full[4], full[6]]))
    loft(collision, coarse, lambda i, j: GREY)
    loft(collision, [(y, mirror(points)) for y, points in coarse], lambda i, j: GREY)


# ---------------------------------------------------------------------------
# Bodies: the pin, drawn around its collision centre, and the ball.

PIN_RADIUS = 0.3
PIN_MASS = 1.0
BALL_RADIUS = 0.5
BALL_MASS = 4.0
PIN_SPACING = 1.0

PIN_WHITE = (244, 242, 234)
PIN_RED = (204, 28, 36)

# Pin profile: (height above the base, radius, colour of the band above).
# The collision sphere of radius PIN_RADIUS sits on the lane, so the base is
# drawn PIN_RADIUS below the centre and the sphere fills the pin's belly.
PIN_PROFILE = [
    (0.00, 0.00, PIN_WHITE),
    (0.00, 0.12, PIN_WHITE),
    (0.06, 0.18, PIN_WHITE),
    (0.18, 0.25, PIN_WHITE),
    (0.32, 0.29, PIN_WHITE),
    (0.46, 0.30, PIN_WHITE),
    (0.62, 0.27, PIN_WHITE),
    (0.78, 0.19, PIN_WHITE),
    (0.88, 0.135, PIN_RED),
    (0.94, 0.118, PIN_WHITE),
    (0.99, 0.112, PIN_RED),
    (1.05, 0.115, PIN_WHITE),
    (1.18, 0.15, PIN_WHITE),
    (1.30, 0.16, PIN_WHITE),
    (1.41, 0.13, PIN_WHITE),
    (1.48, 0.07, PIN_WHITE),
    (1.50, 0.00, PIN_WHITE),
]


def profile_normal(profile, k):
    """Outward normal of a lathe profile at point k, in (radial, up) terms,
    from the slopes of the neighbouring points."""
    h0, r0, _ = profile[max(0, k - 1)]
    h1, r1, _ = profile[min(len(profile) - 1, k + 1)]
    dh, dr = h1 - h0, r1 - r0
    n = math.hypot(dh, dr)
    return (dh / n, -dr / n) if n > 0 else (0.0, -1.0)


def lathe(mesh, profile, segments, z_base, shine=0.0, ambient=0.5):
    """Revolves a profile of (height, radius, band colour) around the z axis,
    smooth-shaded; each band keeps its own colour up to its edges. The first
    band is taken as a flat base facing down."""

    def ring_point(height, radius, normal, angle):
        c, s = math.cos(angle), math.sin(angle)
        return ((radius * c, radius * s, z_base + height),
                unit((normal[0] * c, normal[0] * s, normal[1])))

    for k in range(len(profile) - 1):
        h0, r0, colour = profile[k]
        h1, r1, _ = profile[k + 1]
        n0, n1 = profile_normal(profile, k), profile_normal(profile, k + 1)
        if k == 0:
            n0 = n1 = (0.0, -1.0)
        for step in range(segments):
            here, there = 2 * math.pi * step / segments, 2 * math.pi * (step + 1) / segments
            # The band's quad, counter-clockwise from outside: lower edge
            # from here to there, then the upper edge back.
            corners = [ring_point(h0, r0, n0, here), ring_point(h0, r0, n0, there),
                       ring_point(h1, r1, n1, there), ring_point(h1, r1, n1, here)]
            points = [point for point, _ in corners]
            colours = [shade(colour, normal, ambient=ambient, shine=shine) for _, normal in corners]
            mesh.triangle(points[0], points[1], points[2], colours[0:3])
            mesh.triangle(points[0], points[2], points[3], (colours[0], colours[2], colours[3]))


def pin_model():
    mesh = Mesh()
    lathe(mesh, PIN_PROFILE, 10, -PIN_RADIUS, shine=0.25)
    return mesh


def icosphere(subdivisions):
    """Unit vectors of the corners of a subdivided icosahedron, as triangles
    facing outward."""
    t = (1 + math.sqrt(5)) / 2
    corners = [unit(v) for v in [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0),
                                 (0, -1, t), (0, 1, t), (0, -1, -t), (0, 1, -t),
                                 (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]]
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11), (1, 5, 9), (5, 11, 4),
             (11, 10, 2), (10, 7, 6), (7, 1, 8), (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8),
             (3, 8, 9), (4, 9, 5), (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    triangles = [tuple(corners[i] for i in f) for f in faces]
    for _ in range(subdivisions):
        finer = []
        for a, b, c in triangles:
            ab, bc, ca = unit(add(a, b)), unit(add(b, c)), unit(add(c, a))
            finer += [(a, ab, ca), (b, bc, ab), (c, ca, bc), (ab, bc, ca)]
        triangles = finer
    outward = []
    for a, b, c in triangles:
        if dot(cross(sub(b, a), sub(c, a)), a) < 0:
            b, c = c, b
        outward.append((a, b, c))
    return outward


def ball_model(base):
    """A polished ball: dark, with a bright highlight toward the light."""
    mesh = Mesh()
    for tri in icosphere(2):
        colours = [shade(base, n, ambient=0.3, shine=0.85, gloss=30) for n in tri]
        mesh.triangle(*(scale(n, BALL_RADIUS) for n in tri), colours)
    return mesh


BALL_COLOURS = {
    "ball_blue": (40, 70, 190),
    "ball_red": (170, 24, 40),
    "ball_green": (24, 130, 80),
    "ball_purple": (110, 40, 170),
}


# ---------------------------------------------------------------------------
# Scenes.


class Scene:
    def __init__(self, name, background, overlay, fall_height, camera, ball_model, ball_start):
        self.name = name
        self.background = background
        self.overlay = overlay
        self.fall_height = fall_height
        self.camera = camera
        self.ball_model = ball_model
        self.ball_start = ball_start
        self.pins = []
        self.lane = Mesh()
        self.collision = Mesh()

    def pin(self, x, y, floor_z=0.0):
        """A pin standing on a floor at height floor_z."""
        self.pins.append((x, y, floor_z + PIN_RADIUS))

    def files(self):
        lane, collision = self.name + "_lane.txt", self.name + "_collision.txt"

        def vec(v):
            return "[%s, %s, %s]" % tuple(fmt(c) for c in v)

        lines = ["background " + vec(self.background),
                 "overlay " + vec(self.overlay),
                 "fallout %s" % fmt(self.fall_height),
                 "lane " + lane,
                 "collision " + collision,
                 "camera " + vec(self.camera),
                 "pins %d" % len(self.pins),
                 "ball " + vec(self.ball_start),
                 "ball_radius %s" % fmt(BALL_RADIUS),
                 "ball_mass %s" % fmt(BALL_MASS),
                 "ball_model %s.txt" % self.ball_model]
        for p in self.pins:
            lines += ["pin " + vec(p),
                      "pin_radius %s" % fmt(PIN_RADIUS),
                      "pin_mass %s" % fmt(PIN_MASS),
                      "pin_model pin.txt"]
        return {self.name + "_scene.txt": "\n".join(lines) + "\n",
                lane: self.lane.text(),
                collision: self.collision.text()}


def ball_on(x, y, floor_z=0.0):
    return (x, y, floor_z + BALL_RADIUS)


def triangle_rack(rows, head, spacing=PIN_SPACING):
    """Pin spots of a rack pointing at the player: one pin in the first row,
    two in the next, and so on; head is the front pin's (x, y)."""
    spots = []
    for row in range(rows):
        y = head[1] + row * spacing * math.sqrt(3) / 2
        for k in range(row + 1):
            spots.append((head[0] + (k - row / 2) * spacing, y))
    return spots


# --- Level 1: a short lane with three pins and open edges everywhere.

def warm_up():
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


def funnel():
    s = Scene("funnel", background=(0.55, 0.74, 0.92), overlay=(0.06, 0.08, 0.30),
              fall_height=-5.0, camera=(0.0, -6.0, 3.6), ball_model="ball_purple",
              ball_start=ball_on(0, 0))
    rim, y_top, y_neck, drop = 3.5, 2.0, 12.0, 1.5

    def section(t):
        """Cross-section at fraction t of the way down: a flat chute floor
        whose half-width shrinks, and banks that rise to the rim."""
        half = lerp(rim, 0.75, 1 - (1 - t) ** 2)
        floor = -drop * t
        top = floor + (rim - half) * 0.5
        return [(-rim, top), (-half, floor), (half, floor), (rim, top)]

    def sections(stations):
        return [(lerp(y_top, y_neck, k / stations), section(k / stations))
                for k in range(stations + 1)]

    def colour(i, j):
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

def ten_pin():
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


def ramp_jump():
    s = Scene("jump", background=(0.04, 0.04, 0.12), overlay=(1.0, 0.62, 0.2),
              fall_height=-5.0, camera=(0.0, -8.5, 4.6), ball_model="ball_blue",
              ball_start=ball_on(0, 0))
    half, y_ramp, ramp_length, lip = 2.0, 6.5, 4.5, 0.7
    y_lip = y_ramp + ramp_length
    boards(s.lane, -half, half, -2.0, y_ramp, 0.0, 14, MAPLE, lane_marks(1.0, -half, half, 14))
    lane_slab(s.lane, -half, half, -2.0, y_ramp, 0.6, (120, 84, 52))
    floor_quads(s.collision, -half, half, -2.0, y_ramp, 0.0)

    def ramp(stations):
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


def bridge():
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


def island(s, centre, radius, top_z, pins):
    """An octagonal island with a sandy top and rocky sides, solid all over,
    and pins at the given offsets from its centre."""
    corners = regular_polygon(centre, radius, 8, math.pi / 8)
    polygon_slab(s.lane, corners, top_z, top_z - 1.2, SAND, ROCK)
    polygon_slab(s.collision, corners, top_z, top_z - 1.2, GREY, GREY)
    for dx, dy in pins:
        s.pin(centre[0] + dx, centre[1] + dy, top_z)


def in_line(centre, count, spacing=0.95):
    """Offsets of pins standing one behind another on the line from the
    ball's start through the island's centre."""
    d = unit((centre[0], centre[1], 0.0))
    return [(d[0] * spacing * (k - (count - 1) / 2), d[1] * spacing * (k - (count - 1) / 2))
            for k in range(count)]


def islands():
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

STAGE_PROFILE = [
    (0.0, 0.0, (90, 20, 30)),
    (0.0, 3.4, (150, 30, 40)),
    (0.7, 3.4, (230, 190, 80)),
    (0.7, 3.1, (150, 30, 40)),
    (0.7, 2.4, (230, 190, 80)),
    (0.7, 2.3, (150, 30, 40)),
    (0.7, 0.0, (150, 30, 40)),
]


def closing():
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
LEVELS = [warm_up, funnel, ten_pin, ramp_jump, bridge, islands]
CLOSING = closing


def all_files():
    """Every file of levels/, by name."""
    files = {"pin.txt": pin_model().text()}
    for name, colour in BALL_COLOURS.items():
        files[name + ".txt"] = ball_model(colour).text()
    scenes = [level() for level in LEVELS] + [CLOSING()]
    for scene in scenes:
        files.update(scene.files())
    entries = ["level%d %s_scene.txt" % (k + 1, scene.name) for k, scene in enumerate(scenes[:-1])]
    entries.append("closing %s_scene.txt" % scenes[-1].name)
    files["scenelist.txt"] = "\n".join(["scenes %d" % len(scenes)] + entries) + "\n"
    return files


def write(files, folder):
    os.makedirs(folder, exist_ok=True)
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if name not in files and os.path.isfile(path):
            print("removing stale %s" % name)
            os.remove(path)
    write_quietly(files, folder)
    print("wrote %d files to %s" % (len(files), folder))


def check(files, folder):
    """Writes a fresh build to a temporary folder and compares it with
    `folder` file by file."""
    with tempfile.TemporaryDirectory() as fresh:
        write_quietly(files, fresh)
        present = set(os.listdir(folder)) if os.path.isdir(folder) else set()
        problems = []
        for name in sorted(files):
            if name not in present:
                problems.append("missing: %s" % name)
                continue
            with open(os.path.join(folder, name), newline="") as f:
                current = f.read()
            with open(os.path.join(fresh, name), newline="") as f:
                wanted = f.read()
            if current != wanted:
                problems.append("differs: %s" % name)
        problems += ["extra: %s" % name for name in sorted(present - set(files))]
    for line in problems:
        print(line)
    if problems:
        print("levels/ does not match tools/make_levels.py; run python3 tools/make_levels.py")
        return 1
    print("levels/ matches tools/make_levels.py (%d files)" % len(files))
    return 0


def write_quietly(files, folder):
    for name, text in files.items():
        with open(os.path.join(folder, name), "w", newline="\n") as out:
            out.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true",
                        help="compare levels/ with a fresh build instead of writing it")
    args = parser.parse_args()
    levels_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "levels")
    levels_dir = os.path.normpath(levels_dir)
    files = all_files()
    if args.check:
        return check(files, levels_dir)
    write(files, levels_dir)
    return 0


if __name__ == "__main__":
    sys.exit(main())
