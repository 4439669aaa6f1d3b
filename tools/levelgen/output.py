"""Writing the generated files into a levels folder without ever touching a
file the generator did not write.

The generator records the names of the files it wrote in a small manifest in
the folder (MANIFEST, one name a line). Everything else in the folder belongs
to the level maker:
  - a generated name whose file is not in the manifest and holds something
    else is never overwritten: the run stops before writing anything;
  - a file in the manifest that is no longer generated is stale: it is listed,
    and removed only when asked to prune;
  - the scene list is shared, and read as the game reads it (skorvel-check
    --scenes): scenes the generator did not write keep their place among the
    generated ones (one after the closing scene moves just before it). A list
    the game reads as the one a run would write is left as it is.

File names here are plain names inside the folder; contents are compared and
written as bytes, so a file is rewritten only when it would change."""

import io
import os
import sys
import tempfile
from dataclasses import dataclass, field
from typing import Mapping

from .programs import Programs, Stop, read_scene_list
from .scene import SCENE_LIST, scene_list_text

MANIFEST = ".make_levels"
MANIFEST_HEAD = "# Written by tools/make_levels.py: the files it owns here, one a line.\n" \
                "# Every other file in this folder is the level maker's and left alone.\n"


@dataclass
class Plan:
    """What a run would leave in a folder: the generator's files and their
    contents (the scene list and the manifest among them), its stale files,
    and the problems that stop a run."""
    writes: dict[str, bytes] = field(default_factory=dict)
    stale: list[str] = field(default_factory=list)
    errors: list[str] = field(default_factory=list)
    warnings: list[str] = field(default_factory=list)


def encode(text: str) -> bytes:
    # surrogateescape carries undecodable bytes of a level maker's scene list
    # through a rewrite unchanged.
    return text.encode("utf-8", "surrogateescape")


def read_bytes(path: str) -> bytes | None:
    """The file's bytes, or None when there is no such file."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def new_file_mode(path: str) -> int:
    """The mode a file written at path gets: the one it has, or what the
    umask leaves of rw for everyone."""
    try:
        return os.stat(path).st_mode & 0o7777
    except FileNotFoundError:
        mask = os.umask(0)
        os.umask(mask)
        return 0o666 & ~mask


def cannot_write(folder: str, problem: OSError) -> Stop:
    reason = problem.strerror or str(problem)
    return Stop(["%s: cannot write here (%s)" % (folder, reason[:1].lower() + reason[1:])])


def write_files(folder: str, files: Mapping[str, bytes]) -> None:
    """Writes each file into a temporary file in the folder and renames them
    into place only once all are written, so that a run that fails changes
    no file (the scene list holds a level maker's entries) and leaves no
    temporary file behind."""
    temporaries: list[str] = []
    try:
        for name, data in files.items():
            descriptor, temporary = tempfile.mkstemp(dir=folder, prefix=".skorvel-levelgen.")
            temporaries.append(temporary)
            with os.fdopen(descriptor, "wb") as f:
                f.write(data)
            os.chmod(temporary, new_file_mode(os.path.join(folder, name)))
        for temporary, name in zip(temporaries, files):
            os.replace(temporary, os.path.join(folder, name))
    except OSError as problem:
        raise cannot_write(folder, problem) from problem
    finally:
        for temporary in temporaries:
            if os.path.lexists(temporary):
                os.remove(temporary)


def is_plain_name(name: str) -> bool:
    return name not in ("", ".", "..") and "/" not in name and "\\" not in name and \
        not name.startswith(".")


def read_manifest(folder: str) -> set[str]:
    """The names of the files the generator wrote into the folder before.
    Lines that are not plain file names are ignored, so that an edited
    manifest can never make --prune reach outside the folder."""
    data = read_bytes(os.path.join(folder, MANIFEST))
    if data is None:
        return set()
    lines = data.decode("utf-8", "surrogateescape").splitlines()
    return {line for line in lines if not line.startswith("#") and is_plain_name(line)}


def manifest_text(names: set[str]) -> str:
    return MANIFEST_HEAD + "".join(name + "\n" for name in sorted(names))


def folder_scenes(folder: str, plan: Plan, programs: Programs) -> list[str] | None:
    """The scenes the game plays from the folder's scene list: an empty list
    when there is none, None (with the checker's findings among the plan's
    errors) when the game cannot read it."""
    path = os.path.join(folder, SCENE_LIST)
    if not os.path.lexists(path):
        return []
    reading = read_scene_list(path, programs)
    if reading.scenes is None:
        plan.errors += reading.findings
        plan.errors.append("%s: error: the game cannot read this list; fix it as skorvel-check "
                           "says, or move it away, then run again" % path)
    else:
        plan.warnings += reading.findings
    return reading.scenes


def merge_scenes(old: list[str], generated: list[str], own: set[str]) -> list[str]:
    """The scene list's scenes: the generated ones in their order, and the
    level maker's each after the generated scene it followed before; the
    closing scene stays last. The generator's own stale scene files are
    dropped."""
    theirs: dict[str | None, list[str]] = {}  # the generated scene each follows (None: the start)
    anchor = None
    for scene in old:
        if scene in generated:
            anchor = scene
        elif scene not in own:
            theirs.setdefault(anchor, []).append(scene)
    merged = list(theirs.get(None, []))
    for scene in generated[:-1]:
        merged.append(scene)
        merged += theirs.get(scene, [])
    closing = generated[-1]
    return merged + theirs.get(closing, []) + [closing]


def plan_generated_files(folder: str, files: Mapping[str, str], selected: set[str],
                         own: set[str], plan: Plan) -> None:
    """Puts the selected generated files into the plan, unless a file of the
    level maker's stands under the same name."""
    for name in sorted(selected):
        path = os.path.join(folder, name)
        if os.path.lexists(path) and not os.path.isfile(path):
            plan.errors.append("%s: error: not a plain file; move it away, then run again" % path)
            continue
        current = read_bytes(path)
        if current is not None and name not in own and current != encode(files[name]):
            plan.errors.append("%s: error: not written by the generator and holds something "
                               "else; rename yours (and whatever names it), then run "
                               "again" % path)
            continue
        plan.writes[name] = encode(files[name])


def plan_folder(folder: str, files: Mapping[str, str], scenes: list[str], selected: set[str],
                prune: bool, programs: Programs) -> Plan:
    """Plans a run over `folder`. `files` holds every generated file but the
    scene list, by name; `scenes` the generated scene files in play order;
    `selected` the names this run writes (all of them, or one level's)."""
    plan = Plan()
    own = read_manifest(folder)
    plan_generated_files(folder, files, selected, own, plan)
    old = folder_scenes(folder, plan, programs)
    if old is not None:
        merged = merge_scenes(old, scenes, own)
        current = read_bytes(os.path.join(folder, SCENE_LIST))
        plan.writes[SCENE_LIST] = current if current is not None and old == merged else \
            encode(scene_list_text(merged))
    plan.stale = sorted(name for name in own if name not in files and name != SCENE_LIST and
                        os.path.isfile(os.path.join(folder, name)))
    removed = set(plan.stale) if prune else set()
    kept = {name for name in own if name not in removed and
            os.path.isfile(os.path.join(folder, name))}
    plan.writes[MANIFEST] = encode(manifest_text(kept | set(plan.writes)))
    if old is not None:
        plan.warnings += missing_scene_warnings(folder, merged, plan.writes, removed)
    return plan


def missing_scene_warnings(folder: str, scenes: list[str], writes: Mapping[str, bytes],
                           removed: set[str]) -> list[str]:
    """A warning for each scene in the list whose file the folder will lack."""
    warnings = []
    for scene in scenes:
        exists = scene in writes or (scene not in removed and
                                     os.path.isfile(os.path.join(folder, scene)))
        if not exists:
            warnings.append("%s: warning: names %s, which is not in %s" %
                            (os.path.join(folder, SCENE_LIST), scene, folder))
    return warnings


def show_undecodable() -> None:
    """A level maker's scene list may hold bytes that are not UTF-8; they are
    carried through unchanged, and shown escaped."""
    for stream in (sys.stdout, sys.stderr):
        if isinstance(stream, io.TextIOWrapper):
            stream.reconfigure(errors="backslashreplace")


def tell(lines: list[str]) -> None:
    """Errors and warnings, on standard error."""
    for line in lines:
        print(line, file=sys.stderr)


def write_folder(folder: str, plan: Plan, prune: bool) -> int:
    """Carries a plan out; returns the exit status."""
    tell(plan.errors)
    if plan.errors:
        print("nothing written to %s" % folder, file=sys.stderr)
        return 1
    try:
        os.makedirs(folder, exist_ok=True)
    except OSError as problem:
        raise cannot_write(folder, problem) from problem
    changed = {name: data for name, data in plan.writes.items()
               if name != MANIFEST and read_bytes(os.path.join(folder, name)) != data}
    write_files(folder, changed)
    for name in plan.stale:
        if prune:
            os.remove(os.path.join(folder, name))
            print("removed stale %s" % name)
        else:
            print("stale: %s (run with --prune to remove)" % name)
    # The manifest comes last, so that it never names a file not yet written.
    if read_bytes(os.path.join(folder, MANIFEST)) != plan.writes[MANIFEST]:
        write_files(folder, {MANIFEST: plan.writes[MANIFEST]})
    tell(plan.warnings)
    print("wrote %d of %d files to %s; the rest were up to date" %
          (len(changed), len(plan.writes) - 1, folder))
    return 0


def check_folder(folder: str, plan: Plan) -> int:
    """Compares the folder with a plan, naming each of the generator's files
    that is missing or differs and each stale one; returns the exit status.
    The level maker's own files and scenes are not compared."""
    problems = list(plan.errors)
    for name, data in sorted(plan.writes.items()):
        current = read_bytes(os.path.join(folder, name))
        if current is None:
            problems.append("missing: %s" % name)
        elif current != data:
            problems.append("differs: %s" % name)
    problems += ["stale: %s (run with --prune to remove)" % name for name in plan.stale]
    tell(problems + plan.warnings)
    return 1 if problems else 0
