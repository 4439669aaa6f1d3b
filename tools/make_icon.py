#!/usr/bin/env python3
"""Draws Skorvel's application icon: a blue ball rolling up a wooden lane
toward three pins, on a transparent background.

    python3 tools/make_icon.py    writes packaging/icons/skorvel-SIZE.png

Each shape is a signed distance (negative inside, in icon units where the
icon spans 0 to 1, y down), so that edges and outlines are antialiased
alike at every size. Only the standard library is used.
"""

import math
import os
import struct
import zlib
from typing import Callable

# A shape: the signed distance of a point (x, y) from its edge. A paint:
# the colour (r, g, b) the layer has at a point.
Shape = Callable[[float, float], float]
Colour = tuple[int, int, int]
Paint = Callable[[float, float], Colour]
Layer = tuple[Shape, Paint]
Rgba = tuple[float, float, float, float]

SIZES = (48, 128, 256)
OUTLINE = (40, 30, 45)
OUTLINE_WIDTH = 0.012

# ---------------------------------------------------------------------------
# Shapes: each a function of a point giving its signed distance.


def circle(cx: float, cy: float, r: float) -> Shape:
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx: float, cy: float, rx: float, ry: float) -> Shape:
    # Not an exact distance, but close enough near the edge for smooth pixels.
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * min(rx, ry)


def polygon(points: list[tuple[float, float]]) -> Shape:
    """Convex polygon, corners listed clockwise on screen (y down)."""

    def distance(x: float, y: float) -> float:
        worst = -1e9
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            nx, ny = by - ay, ax - bx
            n = math.hypot(nx, ny)
            worst = max(worst, ((x - ax) * nx + (y - ay) * ny) / n)
        return worst

    return distance


def union(*shapes: Shape) -> Shape:
    return lambda x, y: min(s(x, y) for s in shapes)


def intersection(*shapes: Shape) -> Shape:
    return lambda x, y: max(s(x, y) for s in shapes)


# ---------------------------------------------------------------------------
# The picture: a list of layers, back to front, each a shape and a colour
# function of the point.


def lane() -> Layer:
    shape = polygon([(0.36, 0.34), (0.64, 0.34), (0.94, 0.97), (0.06, 0.97)])

    def colour(x: float, y: float) -> Colour:
        # Boards run along the lane; the far end is darker.
        board = int((x - 0.5) / (0.03 + 0.05 * y) + 100) % 2
        light = 0.75 + 0.25 * y - 0.06 * board
        return (int(214 * light), int(158 * light), int(96 * light))

    return shape, colour


def pin(cx: float, base: float, height: float) -> Layer:
    h = height
    body = ellipse(cx, base - 0.33 * h, 0.2 * h, 0.33 * h)
    neck = polygon([(cx - 0.07 * h, base - 0.8 * h), (cx + 0.07 * h, base - 0.8 * h),
                    (cx + 0.1 * h, base - 0.45 * h), (cx - 0.1 * h, base - 0.45 * h)])
    head = circle(cx, base - 0.84 * h, 0.12 * h)
    shape = intersection(union(body, neck, head), lambda x, y: y - base)

    def colour(x: float, y: float) -> Colour:
        if base - 0.66 * h < y < base - 0.58 * h:
            return (210, 40, 45)
        # Light from the upper left: the right side falls off.
        light = 1.0 - 0.25 * max(0.0, (x - cx) / (0.2 * h))
        return (int(248 * light), int(246 * light), int(240 * light))

    return shape, colour


def ball(cx: float, cy: float, r: float) -> Layer:
    holes = [circle(cx + dx * r, cy + dy * r, 0.11 * r)
             for dx, dy in ((-0.2, -0.45), (0.15, -0.5), (-0.02, -0.18))]

    def colour(x: float, y: float) -> Colour:
        if min(h(x, y) for h in holes) < 0:
            return (15, 20, 50)
        # A highlight up and to the left, the shade toward the lower right.
        d = math.hypot(x - (cx - 0.4 * r), y - (cy - 0.45 * r)) / (1.6 * r)
        light = max(0.0, 1.0 - d)
        return (int(30 + 140 * light ** 2), int(70 + 150 * light ** 2), int(150 + 105 * light))

    return circle(cx, cy, r), colour


def layers() -> list[Layer]:
    return [lane(), pin(0.38, 0.43, 0.3), pin(0.62, 0.43, 0.3), pin(0.5, 0.47, 0.33),
            ball(0.42, 0.73, 0.22)]


# ---------------------------------------------------------------------------
# Rendering and PNG output.


def coverage(distance: float, pixel: float) -> float:
    return min(1.0, max(0.0, 0.5 - distance / pixel))


def over(below: Rgba, colour: Colour, alpha: float) -> Rgba:
    """Composites straight-alpha `colour` at `alpha` over `below` (r, g, b, a)."""
    r, g, b, a = below
    out = alpha + a * (1.0 - alpha)
    if out == 0.0:
        return (0.0, 0.0, 0.0, 0.0)

    def mix(c: float, d: float) -> float:
        return (c * alpha + d * a * (1.0 - alpha)) / out

    return (mix(colour[0], r), mix(colour[1], g), mix(colour[2], b), out)


def render(size: int) -> bytes:
    pixel = 1.0 / size
    picture = layers()
    rows = []
    for j in range(size):
        row = bytearray([0])  # PNG filter type: none
        y = (j + 0.5) * pixel
        for i in range(size):
            x = (i + 0.5) * pixel
            rgba: Rgba = (0.0, 0.0, 0.0, 0.0)
            for shape, colour in picture:
                d = shape(x, y)
                if d > OUTLINE_WIDTH + pixel:
                    continue
                rgba = over(rgba, OUTLINE, coverage(d - OUTLINE_WIDTH, pixel))
                rgba = over(rgba, colour(x, y), coverage(d, pixel))
            row += bytes([round(rgba[0]), round(rgba[1]), round(rgba[2]), round(rgba[3] * 255)])
        rows.append(bytes(row))
    return b"".join(rows)


def png(size: int, pixels: bytes) -> bytes:
    def chunk(kind: bytes, data: bytes) -> bytes:
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


def main() -> None:
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "icons")
    os.makedirs(folder, exist_ok=True)
    for size in SIZES:
        path = os.path.join(folder, "skorvel-%d.png" % size)
        with open(path, "wb") as f:
            f.write(png(size, render(size)))
        print("wrote", os.path.normpath(path))


if __name__ == "__main__":
    main()
