#!/usr/bin/env python3
"""How long skorvel-check takes on large levels: wrong normals by the hundred
thousand and the million, hundreds of pins with --play, and an unwinnable
level of 20,000 triangles with --play.

    python3 benchmarks/check_speed.py [--checker build/skorvel-check] [--only NAME ...]

Each case is written into a temporary folder, checked once, and its time,
exit status and last output line printed. Nothing is compared with a limit:
the numbers are for reading."""
import argparse
import os
import subprocess
import sys
import tempfile
import time


def triangle(normal, a, b, c):
    lines = ["normal [%g, %g, %g]" % normal]
    for v in (a, b, c):
        lines += ["colour [90, 90, 90]", "vertex [%g, %g, %g]" % v]
    return "\n".join(lines) + "\n"


def face(a, b, c):
    u = [b[k] - a[k] for k in range(3)]
    v = [c[k] - a[k] for k in range(3)]
    return (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])


def grid(columns, rows, x0, y0, cell, height=lambda x, y: 0.0, normal=None):
    """Two triangles a cell; the normal given, or the face's own (up)."""
    out = []
    for j in range(rows):
        for i in range(columns):
            x, y = x0 + i * cell, y0 + j * cell
            a, b = (x, y, height(x, y)), (x + cell, y, height(x + cell, y))
            c, d = (x + cell, y + cell, height(x + cell, y + cell)), (x, y + cell, height(x, y + cell))
            out += [triangle(normal or face(a, b, c), a, b, c), triangle(normal or face(a, c, d), a, c, d)]
    return out


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def triangle_file(triangles):
    return "triangles %d\n%s" % (len(triangles), "".join(triangles))


def scene(collision, pins, ball=(0, 0, 0.5), camera=(0, -6, 3)):
    text = ("background [0.1, 0.2, 0.3]\noverlay [1, 0.9, 0.4]\nfallout -5\nlane lane.txt\n"
            "collision %s\ncamera [%g, %g, %g]\npins %d\nball [%g, %g, %g]\nball_radius 0.5\n"
            "ball_mass 4\nball_model body.txt\n" % ((collision,) + camera + (len(pins),) + ball))
    for p in pins:
        text += "pin [%g, %g, %g]\npin_radius 0.3\npin_mass 1\npin_model body.txt\n" % p
    return text


def level(folder, collision_triangles, pins):
    write(folder, "lane.txt", triangle_file(grid(1, 1, -2, -2, 4)))
    write(folder, "body.txt", triangle_file([triangle((0, -1, 0), (-0.3, 0, 0), (0.3, 0, 0), (0, 0, 0.3))]))
    write(folder, "mesh.txt", triangle_file(collision_triangles))
    write(folder, "level_scene.txt", scene("mesh.txt", pins))
    write(folder, "closing_scene.txt", scene("lane.txt", []))
    write(folder, "scenelist.txt", "scenes 2\nlevel1 level_scene.txt\nclosing closing_scene.txt\n")


def wrong_normals(folder, count):
    side = int((count / 2) ** 0.5)
    rows = count // (2 * side)
    level(folder, grid(side, rows, -side / 2, -2, 1, normal=(0, 1, 0)), [(0, 9, 0.3)])


def many_pins(folder, count):
    columns = 20
    pins = [(-columns / 2 + 0.5 + (k % columns), 8 + k // columns, 0.3) for k in range(count)]
    depth = 8 + count // columns + 2
    level(folder, grid(1, 1, -columns / 2 - 1, -2, max(columns + 2, depth + 2)), pins)


def unwinnable(folder):
    # A floor of 20,000 triangles in a box of walls, on a plain far wider than
    # any pin can slide across: no pin ever falls.
    floor = grid(100, 100, -10, -4, 0.2)
    corners = [(-10, -4), (10, -4), (10, 16), (-10, 16)]
    for k in range(4):
        (x0, y0), (x1, y1) = corners[k], corners[(k + 1) % 4]
        a, b, c, d = (x0, y0, 0), (x1, y1, 0), (x1, y1, 3), (x0, y0, 3)
        floor += [triangle(face(a, b, c), a, b, c), triangle(face(a, c, d), a, c, d)]
    floor += grid(1, 1, -5000, -5000, 10000, height=lambda x, y: -0.01)
    level(folder, floor, [(0, 9, 0.3)])


CASES = {
    "normals-100k": (lambda f: wrong_normals(f, 100_000), []),
    "normals-1m": (lambda f: wrong_normals(f, 1_000_000), []),
    "pins-300-play": (lambda f: many_pins(f, 300), ["--play"]),
    "pins-1000-play": (lambda f: many_pins(f, 1000), ["--play"]),
    "unwinnable-20k-play": (unwinnable, ["--play"]),
}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--checker", default="build/skorvel-check")
    parser.add_argument("--only", nargs="*", choices=sorted(CASES))
    parser.add_argument("--timeout", type=float, default=900)
    args = parser.parse_args()
    checker = os.path.abspath(args.checker)
    for name in args.only or CASES:
        make, options = CASES[name]
        with tempfile.TemporaryDirectory(prefix="skorvel-check-speed-") as folder:
            make(folder)
            started = time.monotonic()
            try:
                run = subprocess.run([checker] + options + [folder], capture_output=True, text=True,
                                     timeout=args.timeout)
                outcome = "exit %d: %s" % (run.returncode, (run.stdout.strip().splitlines() or [""])[-1])
            except subprocess.TimeoutExpired:
                outcome = "did not finish within %g s" % args.timeout
            print("%-22s %8.1f s  %s" % (name, time.monotonic() - started, outcome), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
