"""Meshes: lists of coloured faces, written as a Wavefront OBJ file and
its material library for skorvel-obj, which turns them into the game's
model and collision files and shades them, and the shapes levels are built
from.

World units: x runs across a lane, y along it away from the player, z up.
Corners run counter-clockwise as seen from the side that shows; skorvel-obj
works each triangle's normal out from its corners as written. Colours
given to the shapes are base colours, shaded by skorvel-obj's light."""

import math
from dataclasses import dataclass
from typing import Callable, Iterable, Sequence

from .vectors import Vec, lerp, unit

Colour = tuple[int, int, int]
Point2 = tuple[float, float]
# A cross-section of a loft: its y and its (x, z) points.
Section = tuple[float, list[Point2]]

# Wood tones for lane boards, the grey of collision meshes (whose colours the
# game ignores) and the steel of gutters.
MAPLE = [(226, 186, 128), (210, 166, 106), (232, 196, 140), (204, 160, 100)]
PINE = [(190, 128, 74), (172, 112, 62), (198, 138, 84)]
GREY = (150, 150, 150)
STEEL = (150, 158, 172)


@dataclass(frozen=True)
class Surface:
    """A base colour and how it takes the light, as a material of the OBJ
    file: the share of it that shows in the shade (Ka), and the strength
    (Ks) and tightness (Ns) of a white highlight. None leaves skorvel-obj's
    own value."""
    colour: Colour
    ambient: float | None = None
    shine: float | None = None
    gloss: float | None = None

    def material(self, name: str) -> str:
        lines = ["newmtl " + name, "Kd %s %s %s" % tuple(number(c / 255) for c in self.colour)]
        for key, value in (("Ka", self.ambient), ("Ks", self.shine), ("Ns", self.gloss)):
            if value is not None:
                lines.append("%s %s" % (key, number(value)))
        return "\n".join(lines) + "\n"


def number(x: float) -> str:
    """A number for the OBJ file, in full: skorvel-obj rounds it once."""
    return repr(float(x))


class Mesh:
    def __init__(self, collision: bool = False) -> None:
        self.collision = collision  # written as a collision file rather than a model
        # (surface, corners, the normal the light meets at each corner or None)
        self.faces: list[tuple[Surface, list[Vec], list[Vec] | None]] = []

    def face(self, corners: Sequence[Vec], surface: Surface,
             normals: Sequence[Vec] | None = None) -> None:
        """A flat face, its corners counter-clockwise seen from the side that
        shows; skorvel-obj splits it into triangles and gives it one colour.
        `normals` bend the light at the corners of a smooth surface instead.
        A corner in the same place as the one before it (where a surface
        narrows to an edge or a point) is left out, and so is a face left
        with fewer than three."""
        kept = [k for k in range(len(corners)) if corners[k] != corners[k - 1]]
        if len(kept) >= 3:
            self.faces.append((surface, [corners[k] for k in kept],
                               None if normals is None else [normals[k] for k in kept]))

    def triangle(self, a: Vec, b: Vec, c: Vec, surface: Surface,
                 normals: tuple[Vec, Vec, Vec] | None = None) -> None:
        self.face((a, b, c), surface, normals)

    def quad(self, a: Vec, b: Vec, c: Vec, d: Vec, base: Colour,
             ambient: float | None = None) -> None:
        """A flat quad a-b-c-d, counter-clockwise from the side that shows."""
        self.face((a, b, c, d), Surface(base, ambient))

    def extend(self, other: "Mesh") -> None:
        self.faces.extend(other.faces)

    def obj_text(self, library: str) -> tuple[str, str]:
        """The mesh as an OBJ file that names the material library `library`,
        and that library."""
        names: dict[Surface, str] = {}
        lines = ["mtllib " + library]
        current = None
        for surface, corners, normals in self.faces:
            if surface not in names:
                names[surface] = "surface%d" % len(names)
            if names[surface] != current:
                current = names[surface]
                lines.append("usemtl " + current)
            lines += ["v %s %s %s" % tuple(map(number, point)) for point in corners]
            back = range(-len(corners), 0)
            if normals is None:
                lines.append("f " + " ".join(map(str, back)))
                continue
            lines += ["vn %s %s %s" % tuple(map(number, normal)) for normal in normals]
            lines.append("f " + " ".join("%d//%d" % (k, k) for k in back))
        library_text = "".join(surface.material(name) for surface, name in names.items())
        return "\n".join(lines) + "\n", library_text


# ---------------------------------------------------------------------------
# Solids and surfaces.


def box(mesh: Mesh, lo: Vec, hi: Vec, top: Colour | None, side: Colour,
        faces: str = "tnsewb") -> None:
    """An axis-aligned box from corner lo to corner hi. `faces` picks the
    faces to make: t(op), b(ottom), n(orth, +y), s(outh, -y, toward the
    player), e(ast, +x), w(est, -x)."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    if "t" in faces and top is not None:
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


def loft(mesh: Mesh, sections: Sequence[Section], colour_of: Callable[[int, int], Colour]) -> None:
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


def polygon_slab(mesh: Mesh, corners: Sequence[Point2], top_z: float, bottom_z: float,
                 top: Colour, side: Colour) -> None:
    """A flat-topped slab over a convex polygon given counter-clockwise from
    above, with its side walls: islands, platforms and stages."""
    centre = (sum(c[0] for c in corners) / len(corners), sum(c[1] for c in corners) / len(corners))
    for k in range(len(corners)):
        a, b = corners[k], corners[(k + 1) % len(corners)]
        mesh.triangle((centre[0], centre[1], top_z), (a[0], a[1], top_z), (b[0], b[1], top_z),
                      Surface(top))
        mesh.quad((a[0], a[1], bottom_z), (b[0], b[1], bottom_z), (b[0], b[1], top_z),
                  (a[0], a[1], top_z), side)


def regular_polygon(centre: Point2, radius: float, sides: int, turn: float = 0.0) -> list[Point2]:
    """The (x, y) corners of a regular polygon, counter-clockwise from above."""
    return [(centre[0] + radius * math.cos(turn + 2 * math.pi * k / sides),
             centre[1] + radius * math.sin(turn + 2 * math.pi * k / sides)) for k in range(sides)]


def side_wall(mesh: Mesh, x: float, outward: int, edge: Sequence[Point2], bottom_z: float,
              colour: Colour) -> None:
    """A vertical wall in the plane at x, under a top edge given as (y, z)
    points with y growing, down to bottom_z; it faces +x when outward is 1
    and -x when it is -1."""
    for (y0, z0), (y1, z1) in zip(edge, edge[1:]):
        quad = [(x, y0, bottom_z), (x, y1, bottom_z), (x, y1, z1), (x, y0, z0)]
        if outward < 0:
            quad = [quad[1], quad[0], quad[3], quad[2]]
        mesh.quad(quad[0], quad[1], quad[2], quad[3], colour)


def floor_quads(mesh: Mesh, x0: float, x1: float, y0: float, y1: float, z: float) -> None:
    """Collision floor: one quad facing up."""
    mesh.quad((x0, y0, z), (x1, y0, z), (x1, y1, z), (x0, y1, z), GREY)


# A lathe profile's point: height above the base, radius, and the colour of
# the band above it.
ProfilePoint = tuple[float, float, Colour]


def profile_normal(profile: Sequence[ProfilePoint], k: int) -> Point2:
    """Outward normal of a lathe profile at point k, in (radial, up) terms,
    from the slopes of the neighbouring points."""
    h0, r0, _ = profile[max(0, k - 1)]
    h1, r1, _ = profile[min(len(profile) - 1, k + 1)]
    dh, dr = h1 - h0, r1 - r0
    n = math.hypot(dh, dr)
    return (dh / n, -dr / n) if n > 0 else (0.0, -1.0)


def lathe(mesh: Mesh, profile: Sequence[ProfilePoint], segments: int, z_base: float,
          ambient: float, shine: float | None = None, gloss: float | None = None) -> None:
    """Revolves a profile of (height, radius, band colour) around the z axis,
    smooth-shaded; each band keeps its own colour up to its edges and takes
    the light as a Surface of that colour does. The first band is taken as a
    flat base facing down."""

    def ring_point(height: float, radius: float, normal: Point2,
                   angle: float) -> tuple[Vec, Vec]:
        c, s = math.cos(angle), math.sin(angle)
        return ((radius * c, radius * s, z_base + height),
                unit((normal[0] * c, normal[0] * s, normal[1])))

    for k in range(len(profile) - 1):
        h0, r0, colour = profile[k]
        h1, r1, _ = profile[k + 1]
        n0, n1 = profile_normal(profile, k), profile_normal(profile, k + 1)
        if k == 0:
            n0 = n1 = (0.0, -1.0)
        band = Surface(colour, ambient, shine, gloss)
        for step in range(segments):
            here, there = 2 * math.pi * step / segments, 2 * math.pi * (step + 1) / segments
            # The band's quad, counter-clockwise from outside: lower edge
            # from here to there, then the upper edge back.
            (a, na), (b, nb), (c, nc), (d, nd) = (
                ring_point(h0, r0, n0, here), ring_point(h0, r0, n0, there),
                ring_point(h1, r1, n1, there), ring_point(h1, r1, n1, here))
            mesh.triangle(a, b, c, band, (na, nb, nc))
            mesh.triangle(a, c, d, band, (na, nc, nd))


# ---------------------------------------------------------------------------
# Lane surfaces: boards of alternating wood tones running along the lane,
# with darker inlaid marks (foul line, dots, arrows) cut into the boards.

# A mark: (x_from, x_to, y_from, y_to, colour).
Mark = tuple[float, float, float, float, Colour]


def boards(mesh: Mesh, x0: float, x1: float, y0: float, y1: float, z: float, count: int,
           tones: Sequence[Colour], marks: Sequence[Mark] = (),
           stations: Iterable[float] = ()) -> None:
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
        ordered = sorted(c for c in cuts if y0 <= c <= y1)
        tone = tones[(b * 3 + b // 2) % len(tones)]
        for ya, yb in zip(ordered, ordered[1:]):
            colour = tone
            for m in mine:
                if m[2] <= ya and yb <= m[3]:
                    colour = m[4]
            mesh.quad((bx0, ya, z), (bx1, ya, z), (bx1, yb, z), (bx0, yb, z), colour)


def lane_marks(y_foul: float, x0: float, x1: float, count: int,
               colour: Colour = (70, 40, 30)) -> list[Mark]:
    """A foul line across the lane, approach dots behind it and a chevron of
    arrows ahead of it, each sized to one board."""
    width = (x1 - x0) / count
    marks: list[Mark] = [(x0, x1, y_foul, y_foul + 0.1, colour)]

    def on_board(b: int, ya: float, yb: float) -> Mark:
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


def lane_slab(mesh: Mesh, x0: float, x1: float, y0: float, y1: float, depth: float,
              side_colour: Colour) -> None:
    """The lane's visible edges below its top: the front face toward the
    player, the far face and the two long sides."""
    box(mesh, (x0, y0, -depth), (x1, y1, 0.0), None, side_colour, faces="sewn")


def gutter_section(x_inner: float, x_outer: float, drop: float) -> list[Point2]:
    """Cross-section of a rounded gutter from the lane edge to its outer lip,
    points running toward +x (mirror it for the left side)."""
    points = []
    for k in range(7):
        t = k / 6
        x = lerp(x_inner, x_outer, t)
        z = -(0.3 + drop) * math.sin(math.pi * t)
        points.append((x, z))
    return points


def mirror(points: Sequence[Point2]) -> list[Point2]:
    return [(-x, z) for x, z in reversed(points)]


def gutters(mesh: Mesh, collision: Mesh, x_lane: float, width: float, y0: float, y1: float,
            drop_start: float, drop_end: float, stations: int) -> None:
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
