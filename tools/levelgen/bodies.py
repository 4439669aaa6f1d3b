"""Bodies: the pin and the ball, their sizes and masses, their models, and
where they stand.

World units: x runs across a lane, y along it away from the player, z up.
A pin is a sphere of radius 0.3 whose centre stands 0.3 above the floor; its
model is 1.5 tall and drawn around that centre, from 0.3 below it. The ball
is a sphere of radius 0.5 whose centre stands 0.5 above the floor; its model
is a sphere of the same radius around its centre."""

import math

from .mesh import Colour, Mesh, Point2, ProfilePoint, Surface, lathe
from .vectors import Vec, add, cross, dot, scale, sub, unit

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
PIN_PROFILE: list[ProfilePoint] = [
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

# The ball models, by file name without ".txt", and their base colours.
BALL_COLOURS = {
    "ball_blue": (40, 70, 190),
    "ball_red": (170, 24, 40),
    "ball_green": (24, 130, 80),
    "ball_purple": (110, 40, 170),
}
PIN_MODEL = "pin"


def pin_model() -> Mesh:
    mesh = Mesh()
    lathe(mesh, PIN_PROFILE, 10, -PIN_RADIUS, ambient=0.5, shine=0.25, gloss=20)
    return mesh


def icosphere(subdivisions: int) -> list[tuple[Vec, Vec, Vec]]:
    """Unit vectors of the corners of a subdivided icosahedron, as triangles
    facing outward."""
    t = (1 + math.sqrt(5)) / 2
    corners = [unit(v) for v in [(-1, t, 0), (1, t, 0), (-1, -t, 0), (1, -t, 0),
                                 (0, -1, t), (0, 1, t), (0, -1, -t), (0, 1, -t),
                                 (t, 0, -1), (t, 0, 1), (-t, 0, -1), (-t, 0, 1)]]
    faces = [(0, 11, 5), (0, 5, 1), (0, 1, 7), (0, 7, 10), (0, 10, 11), (1, 5, 9), (5, 11, 4),
             (11, 10, 2), (10, 7, 6), (7, 1, 8), (3, 9, 4), (3, 4, 2), (3, 2, 6), (3, 6, 8),
             (3, 8, 9), (4, 9, 5), (2, 4, 11), (6, 2, 10), (8, 6, 7), (9, 8, 1)]
    triangles = [(corners[a], corners[b], corners[c]) for a, b, c in faces]
    for _ in range(subdivisions):
        finer: list[tuple[Vec, Vec, Vec]] = []
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


def ball_model(base: Colour) -> Mesh:
    """A polished ball: dark, with a bright highlight toward the light."""
    mesh = Mesh()
    surface = Surface(base, ambient=0.3, shine=0.85, gloss=30)
    for a, b, c in icosphere(2):
        mesh.triangle(scale(a, BALL_RADIUS), scale(b, BALL_RADIUS), scale(c, BALL_RADIUS),
                      surface, (a, b, c))
    return mesh


def model_meshes() -> dict[str, Mesh]:
    """The pin and ball models, by file name."""
    meshes = {PIN_MODEL + ".txt": pin_model()}
    for name, colour in BALL_COLOURS.items():
        meshes[name + ".txt"] = ball_model(colour)
    return meshes


def ball_on(x: float, y: float, floor_z: float = 0.0) -> Vec:
    """The ball's centre when it rests on a floor at height floor_z."""
    return (x, y, floor_z + BALL_RADIUS)


def triangle_rack(rows: int, head: Point2, spacing: float = PIN_SPACING) -> list[Point2]:
    """Pin spots of a rack pointing at the player: one pin in the first row,
    two in the next, and so on; head is the front pin's (x, y)."""
    spots = []
    for row in range(rows):
        y = head[1] + row * spacing * math.sqrt(3) / 2
        for k in range(row + 1):
            spots.append((head[0] + (k - row / 2) * spacing, y))
    return spots
