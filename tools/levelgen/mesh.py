"""Meshes: lists of coloured triangles, written in the model file layout
(which the collision files share), and the shapes levels are built from.

World units: x runs across a lane, y along it away from the player, z up.
Corners run counter-clockwise as seen from the side that shows; a triangle's
normal is worked out from its corners, so it is always perpendicular to it.
Colours given to the shapes are base colours, shaded here by `shade`."""

import math

from .shading import shade
from .vectors import cross, length, lerp, sub, unit

# Wood tones for lane boards, the grey of collision meshes (whose colours the
# game ignores) and the steel of gutters.
MAPLE = [(226, 186, 128), (210, 166, 106), (232, 196, 140), (204, 160, 100)]
PINE = [(190, 128, 74), (172, 112, 62), (198, 138, 84)]
GREY = (150, 150, 150)
STEEL = (150, 158, 172)


def fmt(x):
    """A number as the data files write it: four decimals, never -0."""
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


# ---------------------------------------------------------------------------
# Solids and surfaces.


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
    """The (x, y) corners of a regular polygon, counter-clockwise from above."""
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


# ---------------------------------------------------------------------------
# Lane surfaces: boards of alternating wood tones running along the lane,
# with darker inlaid marks (foul line, dots, arrows) cut into the boards.


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
    player, the far face and the two long sides."""
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
