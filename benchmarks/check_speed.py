#!/usr/bin/env python3
"""How long skorvel-check takes, and how much memory it holds, on large levels.

    python3 benchmarks/check_speed.py [--checker build/skorvel-check] [--only NAME ...]

The cases: wrong normals by the hundred thousand and the million; hundreds of
pins with --play; an unwinnable level of 20,000 triangles with --play; lists
of missing scenes and floors of pins at three sizes each, to show how the time
grows; 30,000 pins played within a budget of 2 s; and a floor of a million
triangles, for the memory the checker holds. Each case is written into a
temporary folder, checked once, and its wall time, processor time, largest
resident memory, exit status and last output line printed. Nothing is
compared with a limit: the numbers are for reading."""
import argparse
import os
import subprocess
import sys
import tempfile
import time
from typing import Callable, Dict, List, Optional, Sequence, Tuple

Point = Tuple[float, float, float]


def triangle(normal: Point, a: Point, b: Point, c: Point) -> str:
    lines = ["normal [%g, %g, %g]" % normal]
    for v in (a, b, c):
        lines += ["colour [90, 90, 90]", "vertex [%g, %g, %g]" % v]
    return "\n".join(lines) + "\n"


def face(a: Point, b: Point, c: Point) -> Point:
    u = [b[k] - a[k] for k in range(3)]
    v = [c[k] - a[k] for k in range(3)]
    return (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])


def flat(x: float, y: float) -> float:
    return 0.0


def grid(columns: int, rows: int, x0: float, y0: float, cell: float,
         height: Callable[[float, float], float] = flat, normal: Optional[Point] = None) -> List[str]:
    """Two triangles a cell; the normal given, or the face's own (up)."""
    out = []
    for j in range(rows):
        for i in range(columns):
            x, y = x0 + i * cell, y0 + j * cell
            a, b = (x, y, height(x, y)), (x + cell, y, height(x + cell, y))
            c, d = (x + cell, y + cell, height(x + cell, y + cell)), (x, y + cell, height(x, y + cell))
            out += [triangle(normal or face(a, b, c), a, b, c), triangle(normal or face(a, c, d), a, c, d)]
    return out


def write(folder: str, name: str, text: str) -> None:
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def triangle_file(triangles: List[str]) -> str:
    return "triangles %d\n%s" % (len(triangles), "".join(triangles))


def scene(collision: str, pins: Sequence[Point], ball: Point = (0, 0, 0.5),
          camera: Point = (0, -6, 3)) -> str:
    text = ("background [0.1, 0.2, 0.3]\noverlay [1, 0.9, 0.4]\nfallout -5\nlane lane.txt\n"
            "collision %s\ncamera [%g, %g, %g]\npins %d\nball [%g, %g, %g]\nball_radius 0.5\n"
            "ball_mass 4\nball_model body.txt\n" % ((collision,) + camera + (len(pins),) + ball))
    block = "pin [%g, %g, %g]\npin_radius 0.3\npin_mass 1\npin_model body.txt\n"
    return text + "".join(block % p for p in pins)


def level(folder: str, collision_triangles: List[str], pins: Sequence[Point]) -> None:
    write(folder, "lane.txt", triangle_file(grid(1, 1, -2, -2, 4)))
    write(folder, "body.txt", triangle_file([triangle((0, -1, 0), (-0.3, 0, 0), (0.3, 0, 0), (0, 0, 0.3))]))
    write(folder, "mesh.txt", triangle_file(collision_triangles))
    write(folder, "level_scene.txt", scene("mesh.txt", pins))
    write(folder, "closing_scene.txt", scene("lane.txt", []))
    write(folder, "scenelist.txt", "scenes 2\nlevel1 level_scene.txt\nclosing closing_scene.txt\n")


def wrong_normals(folder: str, count: int) -> None:
    side = int((count / 2) ** 0.5)
    rows = count // (2 * side)
    level(folder, grid(side, rows, -side / 2, -2, 1, normal=(0, 1, 0)), [(0, 9, 0.3)])


def many_pins(folder: str, count: int) -> None:
    """Pins a metre apart in rows of 20 on a plain floor with open edges."""
    columns = 20
    pins = [(-columns / 2 + 0.5 + (k % columns), 8 + k // columns, 0.3) for k in range(count)]
    depth = 8 + count // columns + 2
    level(folder, grid(1, 1, -columns / 2 - 1, -2, max(columns + 2, depth + 2)), pins)


def unwinnable(folder: str) -> None:
    # A floor of 20,000 triangles in a box of walls, on a plain far wider than
    # any pin can slide across: no pin ever falls.
    floor = grid(100, 100, -10, -4, 0.2)
    corners = [(-10, -4), (10, -4), (10, 16), (-10, 16)]
    for k in range(4):
        (x0, y0), (x1, y1) = corners[k], corners[(k + 1) % 4]
        a, b, c, d = (x0, y0, 0.0), (x1, y1, 0.0), (x1, y1, 3.0), (x0, y0, 3.0)
        floor += [triangle(face(a, b, c), a, b, c), triangle(face(a, c, d), a, c, d)]
    floor += grid(1, 1, -5000, -5000, 10000, height=lambda x, y: -0.01)
    level(folder, floor, [(0, 9, 0.3)])


def missing_scenes(folder: str, count: int) -> None:
    """A list of scenes none of which exists: each is explained where it is named."""
    entries = "".join("level%d missing_%d.txt\n" % (k, k) for k in range(count))
    write(folder, "scenelist.txt", "scenes %d\n%s" % (count, entries))


def million_triangle_floor(folder: str) -> None:
    """A floor of 1000 by 500 cells, two triangles each, under one pin."""
    level(folder, grid(1000, 500, -500, -2, 1), [(0, 9, 0.3)])


Case = Tuple[Callable[[str], None], List[str]]
CASES: Dict[str, Case] = {
    "normals-100k": (lambda f: wrong_normals(f, 100_000), []),
    "normals-1m": (lambda f: wrong_normals(f, 1_000_000), []),
    "pins-300-play": (lambda f: many_pins(f, 300), ["--play"]),
    "pins-1000-play": (lambda f: many_pins(f, 1000), ["--play"]),
    "unwinnable-20k-play": (unwinnable, ["--play"]),
    "missing-scenes-10k": (lambda f: missing_scenes(f, 10_000), []),
    "missing-scenes-20k": (lambda f: missing_scenes(f, 20_000), []),
    "missing-scenes-40k": (lambda f: missing_scenes(f, 40_000), []),
    "pins-floor-10k": (lambda f: many_pins(f, 10_000), []),
    "pins-floor-30k": (lambda f: many_pins(f, 30_000), []),
    "pins-floor-100k": (lambda f: many_pins(f, 100_000), []),
    "pins-30k-budget-2": (lambda f: many_pins(f, 30_000), ["--play", "--budget", "2"]),
    "floor-1m-memory": (million_triangle_floor, []),
}


def run_case(checker: str, folder: str, options: List[str], timeout: float) -> str:
    """Runs the checker once: wall and processor seconds, largest resident
    memory, and how it ended."""
    started = time.monotonic()
    with open(os.path.join(folder, ".out"), "w+") as out:
        child = subprocess.Popen([checker] + options + [folder], stdout=out,
                                 stderr=subprocess.DEVNULL)
        pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        while pid == 0 and time.monotonic() - started < timeout:
            time.sleep(0.05)
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
        if pid == 0:
            child.kill()
            _, status, usage = os.wait4(child.pid, 0)
        child.returncode = 0  # reaped here, so that Popen does not wait for it again
        wall = time.monotonic() - started
        out.seek(0)
        lines = out.read().strip().splitlines()
    if os.WIFSIGNALED(status):
        outcome = "did not finish within %g s" % timeout
    else:
        outcome = "exit %d: %s" % (os.WEXITSTATUS(status), (lines or [""])[-1])
    return "%8.1f s %8.1f s cpu %7.0f MB  %s" % (
        wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024, outcome)


def main() -> int:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("--checker", default="build/skorvel-check")
    parser.add_argument("--only", nargs="*", choices=sorted(CASES))
    parser.add_argument("--timeout", type=float, default=900)
    parser.add_argument("--make", nargs=2, metavar=("NAME", "FOLDER"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.make:
        CASES[args.make[0]][0](args.make[1])
        return 0
    checker = os.path.abspath(args.checker)
    for name in args.only or CASES:
        with tempfile.TemporaryDirectory(prefix="skorvel-check-speed-") as folder:
            # Made by a process of its own: a child's largest resident memory
            # counts the memory of the process that started it.
            subprocess.run([sys.executable, __file__, "--make", name, folder], check=True)
            print("%-22s %s" % (name, run_case(checker, folder, CASES[name][1], args.timeout)),
                  flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
