"""The game's own programs, which the generator asks instead of repeating
their rules: skorvel-obj writes every model and collision file (one writer,
one precision, one normal rule, one light), and skorvel-check gives the
game's reading of a scene list.

In the source tree they are the build's (build/skorvel-check and
build/skorvel-obj), unless the environment names others in SKORVEL_CHECK and
SKORVEL_OBJ; installed, skorvel-new-level finds them beside itself."""

import os
import re
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path
from typing import Mapping

from .mesh import Mesh

BUILD = Path(__file__).resolve().parents[2] / "build"


class Stop(Exception):
    """What stops a run: a program that cannot be run or refuses its input,
    or a file that cannot be written. The lines say why."""

    def __init__(self, lines: list[str]) -> None:
        super().__init__("\n".join(lines))
        self.lines = lines


@dataclass
class Programs:
    check: str
    obj: str
    # What to do when one is missing.
    missing: str = "build them first (cmake --build build), or name them in SKORVEL_CHECK " \
                   "and SKORVEL_OBJ"


def source_tree() -> Programs:
    return Programs(os.environ.get("SKORVEL_CHECK") or str(BUILD / "skorvel-check"),
                    os.environ.get("SKORVEL_OBJ") or str(BUILD / "skorvel-obj"))


def run(programs: Programs, program: str, arguments: list[str],
        folder: str | None) -> "subprocess.CompletedProcess[bytes]":
    try:
        return subprocess.run([program, *arguments], capture_output=True, cwd=folder, check=False)
    except OSError as problem:
        raise Stop(["cannot run %s (%s): %s" % (program, problem.strerror, programs.missing)]) \
            from problem


def lines_of(output: bytes) -> list[str]:
    # surrogateescape carries bytes that are not UTF-8 (in a level maker's
    # scene file names) through unchanged.
    return output.decode("utf-8", "surrogateescape").splitlines()


def triangle_files(meshes: Mapping[str, Mesh], programs: Programs) -> dict[str, str]:
    """The model or collision file of each mesh, by file name, as skorvel-obj
    writes it from the mesh's OBJ file."""
    texts = {}
    with tempfile.TemporaryDirectory(prefix="skorvel-levelgen.") as folder:
        for name, mesh in meshes.items():
            stem = Path(name).stem
            obj, library = mesh.obj_text(stem + ".mtl")
            Path(folder, stem + ".obj").write_text(obj)
            Path(folder, stem + ".mtl").write_text(library)
            kind = "--collision" if mesh.collision else "--model"
            done = run(programs, programs.obj,
                       ["--up", "z", "--shade", kind, name, "--", stem + ".obj"], folder)
            if done.returncode != 0 or done.stderr:
                raise Stop(lines_of(done.stderr) +
                                   ["%s could not write %s" % (programs.obj, name)])
            texts[name] = Path(folder, name).read_text()
    return texts


@dataclass
class Reading:
    """The game's reading of a scene list: the scenes it plays, in order, and
    the checker's findings (None for the scenes when it finds errors)."""
    scenes: list[str] | None
    findings: list[str]


def read_scene_list(path: str, programs: Programs) -> Reading:
    """Asks skorvel-check --scenes for the game's reading of the list."""
    done = run(programs, programs.check, ["--scenes", os.path.abspath(path)], None)
    return Reading(lines_of(done.stdout) if done.returncode == 0 else None,
                   lines_of(done.stderr))


def unreadable_names(names: list[str], programs: Programs) -> list[str]:
    """The checker's findings when the game does not read these as file
    names, each shown against its name; empty when it reads them all."""
    with tempfile.TemporaryDirectory(prefix="skorvel-levelgen.") as folder:
        Path(folder, "scenelist.txt").write_text(
            "scenes %d\n" % len(names) + "".join("file %s\n" % name for name in names))
        done = run(programs, programs.check, ["--scenes", "scenelist.txt"], folder)
    if done.returncode == 0:
        return []
    found = []
    for line in lines_of(done.stderr):
        where = re.match(r"scenelist\.txt:(\d+): ", line)
        entry = int(where.group(1)) - 2 if where else -1
        if where and 0 <= entry < len(names):
            line = names[entry] + ": " + line[where.end():]
        found.append(line)
    return found
