"""Writing the generated files into a levels folder without ever touching a
file the generator did not write.

The generator records the names of the files it wrote in a small manifest in
the folder (MANIFEST, one name a line). Everything else in the folder belongs
to the level maker:
  - a generated name whose file is not in the manifest and holds something
    else is never overwritten: the run stops before writing anything;
  - a file in the manifest that is no longer generated is stale: it is listed,
    and removed only when asked to prune;
  - the scene list is shared: entries naming scene files the generator did
    not write keep their place among the generated ones (an entry after the
    closing scene moves just before it), and the count covers them all.

File names here are plain names inside the folder; contents are compared and
written as bytes, so a file is rewritten only when it would change."""

import os
from dataclasses import dataclass, field

from .scene import SCENE_LIST, parse_scene_list, scene_list_text

MANIFEST = ".make_levels"
MANIFEST_HEAD = "# Written by tools/make_levels.py: the files it owns here, one a line.\n" \
                "# Every other file in this folder is the level maker's and left alone.\n"


@dataclass
class Plan:
    """What a run would leave in a folder: the generator's files and their
    contents (the scene list and the manifest among them), its stale files,
    and the problems that stop a run."""
    writes: dict = field(default_factory=dict)
    stale: list = field(default_factory=list)
    errors: list = field(default_factory=list)
    warnings: list = field(default_factory=list)


def encode(text):
    # surrogateescape carries undecodable bytes of a level maker's scene list
    # through a rewrite unchanged.
    return text.encode("utf-8", "surrogateescape")


def read_bytes(path):
    """The file's bytes, or None when there is no such file."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def write_bytes(path, data):
    """Writes through a temporary file in the same folder, so that a broken
    run never leaves half a file (the scene list holds a level maker's
    entries)."""
    folder, name = os.path.split(path)
    temporary = os.path.join(folder, "." + name + ".tmp")
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def is_plain_name(name):
    return name not in ("", ".", "..") and "/" not in name and "\\" not in name and \
        not name.startswith(".")


def read_manifest(folder):
    """The names of the files the generator wrote into the folder before.
    Lines that are not plain file names are ignored, so that an edited
    manifest can never make --prune reach outside the folder."""
    data = read_bytes(os.path.join(folder, MANIFEST))
    if data is None:
        return set()
    lines = data.decode("utf-8", "surrogateescape").splitlines()
    return {line for line in lines if not line.startswith("#") and is_plain_name(line)}


def manifest_text(names):
    return MANIFEST_HEAD + "".join(name + "\n" for name in sorted(names))


def read_scene_list(folder, plan):
    """The entries of the folder's scene list: an empty list when there is
    none, None (with an error in the plan) when it cannot be read."""
    path = os.path.join(folder, SCENE_LIST)
    data = read_bytes(path)
    if data is None:
        return []
    try:
        entries, count = parse_scene_list(data.decode("utf-8", "surrogateescape"))
    except ValueError as problem:
        plan.errors.append("%s: error: %s; fix it or move it away, then run again" %
                           (path, problem))
        return None
    if count != len(entries):
        plan.warnings.append("%s: warning: the count said %d but %d entries follow; "
                             "all %d are kept and counted" % (path, count, len(entries),
                                                             len(entries)))
    return entries


def merge_entries(old, generated, own):
    """The scene list's entries: the generated ones in their order, and the
    level maker's each after the generated entry it followed before; the
    closing scene stays last. Entries naming the generator's own stale scene
    files are dropped."""
    ours = {scene for _, scene in generated}
    theirs = {}  # the generated scene a level maker's entry follows (None: the start)
    anchor = None
    for label, scene in old:
        if scene in ours:
            anchor = scene
        elif scene not in own:
            theirs.setdefault(anchor, []).append((label, scene))
    merged = list(theirs.get(None, []))
    for entry in generated[:-1]:
        merged.append(entry)
        merged += theirs.get(entry[1], [])
    closing = generated[-1]
    return merged + theirs.get(closing[1], []) + [closing]


def plan_generated_files(folder, files, selected, own, plan):
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


def plan_folder(folder, files, entries, selected, prune):
    """Plans a run over `folder`. `files` holds every generated file but the
    scene list, by name; `entries` the generated scene list entries;
    `selected` the names this run writes (all of them, or one level's)."""
    plan = Plan()
    own = read_manifest(folder)
    plan_generated_files(folder, files, selected, own, plan)
    old = read_scene_list(folder, plan)
    if old is not None:
        merged = merge_entries(old, entries, own)
        plan.writes[SCENE_LIST] = encode(scene_list_text(merged))
    plan.stale = sorted(name for name in own if name not in files and name != SCENE_LIST and
                        os.path.isfile(os.path.join(folder, name)))
    removed = set(plan.stale) if prune else set()
    kept = {name for name in own if name not in removed and
            os.path.isfile(os.path.join(folder, name))}
    plan.writes[MANIFEST] = encode(manifest_text(kept | set(plan.writes)))
    if old is not None:
        plan.warnings += missing_scene_warnings(folder, merged, plan.writes, removed)
    return plan


def missing_scene_warnings(folder, merged, writes, removed):
    """A warning for each scene list entry whose file the folder will lack."""
    warnings = []
    for _, scene in merged:
        exists = scene in writes or (scene not in removed and
                                     os.path.isfile(os.path.join(folder, scene)))
        if not exists:
            warnings.append("%s: warning: names %s, which is not in %s" %
                            (os.path.join(folder, SCENE_LIST), scene, folder))
    return warnings


def write_folder(folder, plan, prune):
    """Carries a plan out; returns the exit status."""
    for line in plan.errors:
        print(line)
    if plan.errors:
        print("nothing written to %s" % folder)
        return 1
    os.makedirs(folder, exist_ok=True)
    changed = 0
    for name, data in plan.writes.items():
        path = os.path.join(folder, name)
        if name != MANIFEST and read_bytes(path) != data:
            write_bytes(path, data)
            changed += 1
    for name in plan.stale:
        if prune:
            os.remove(os.path.join(folder, name))
            print("removed stale %s" % name)
        else:
            print("stale: %s (run with --prune to remove)" % name)
    # The manifest comes last, so that it never names a file not yet written.
    manifest = os.path.join(folder, MANIFEST)
    if read_bytes(manifest) != plan.writes[MANIFEST]:
        write_bytes(manifest, plan.writes[MANIFEST])
    for line in plan.warnings:
        print(line)
    print("wrote %d of %d files to %s; the rest were up to date" %
          (changed, len(plan.writes) - 1, folder))
    return 0


def check_folder(folder, plan):
    """Compares the folder with a plan, naming each of the generator's files
    that is missing or differs and each stale one; returns the exit status.
    The level maker's own files and scene list entries are not compared."""
    problems = list(plan.errors)
    for name, data in sorted(plan.writes.items()):
        current = read_bytes(os.path.join(folder, name))
        if current is None:
            problems.append("missing: %s" % name)
        elif current != data:
            problems.append("differs: %s" % name)
    problems += ["stale: %s (run with --prune to remove)" % name for name in plan.stale]
    for line in problems + plan.warnings:
        print(line)
    return 1 if problems else 0
