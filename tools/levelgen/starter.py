"""A starter level for a level maker: a boarded lane like the warm-up
level's, a rack of pins near its far end, and an open edge behind them to
fall off. Its files are the level maker's from the start: they are not in
the generator's manifest, so regenerating the bundled levels keeps them.

World units: x runs across a lane, y along it away from the player, z up.
The lane top is at z = 0; the ball starts at the origin with its centre 0.5
above the lane, each pin's centre stands 0.3 above it."""

import math
import os
import re
import shlex
from dataclasses import dataclass

from .bodies import PIN_SPACING, ball_on
from .mesh import MAPLE, Point2, boards, floor_quads, lane_marks, lane_slab
from .output import Plan, encode, folder_scenes, read_manifest, tell, write_files
from .programs import Programs, triangle_files, unreadable_names
from .scene import SCENE_LIST, Scene, scene_list_text

MAX_PINS = 15
LANE_HALF, LANE_START, BOARDS = 2.1, -2.0, 14
RACK_HEAD = 9.0
# Little room behind the last row, so that a knocked pin soon slides off.
BACK_ROOM = 1.6


@dataclass
class Commands:
    """How the level maker runs the tools here, for the messages: the
    program's name, how to fill a folder with the bundled levels, and how
    to play the new level. {folder}, quoted for the shell, and {scene} are
    filled in."""
    program: str = "new-level"
    fill_folder: str = "write the bundled levels first (python3 tools/make_levels.py --out {folder})"
    play: str = "start the game again to play it; then F5 reloads it from its files"


SOURCE_TREE = Commands()


def rack(count: int, head_y: float) -> list[Point2]:
    """Pin spots of a rack pointing at the player: a head pin, then rows of
    two. Every pin stands within 0.5 of the lane's middle, closer than the
    ball's and a pin's radii together (0.8), so a straight throw reaches
    each one; wider racks leave outer pins that only a lucky throw clears."""
    spots = [(0.0, head_y)]
    row = 1
    while len(spots) < count:
        y = head_y + row * PIN_SPACING * math.sqrt(3) / 2
        spots += [(-PIN_SPACING / 2, y), (PIN_SPACING / 2, y)][:count - len(spots)]
        row += 1
    return spots[:count]


def starter_scene(name: str, pin_count: int) -> Scene:
    spots = rack(pin_count, RACK_HEAD)
    y_end = spots[-1][1] + BACK_ROOM
    s = Scene(name, background=(0.10, 0.16, 0.30), overlay=(1.0, 0.9, 0.45),
              fall_height=-5.0, camera=(0.0, -6.0, 3.2), ball_model="ball_blue",
              ball_start=ball_on(0, 0))
    boards(s.lane, -LANE_HALF, LANE_HALF, LANE_START, y_end, 0.0, BOARDS, MAPLE,
           lane_marks(1.0, -LANE_HALF, LANE_HALF, BOARDS))
    lane_slab(s.lane, -LANE_HALF, LANE_HALF, LANE_START, y_end, 0.6, (120, 84, 52))
    floor_quads(s.collision, -LANE_HALF, LANE_HALF, LANE_START, y_end, 0.0)
    for x, y in spots:
        s.pin(x, y)
    return s


def name_problem(name: str, pin_count: int) -> str | None:
    if not re.fullmatch(r"[A-Za-z0-9_-]+", name):
        return "'%s' is not a plain word of letters, digits, '_' or '-'" % name
    if not 1 <= pin_count <= MAX_PINS:
        return "--pins must be from 1 to %d" % MAX_PINS
    return None


def folder_problems(folder: str, scene: Scene, generated_names: set[str], plan: Plan,
                    commands: Commands, programs: Programs) -> list[str]:
    """Adds to the plan an error for everything in the folder that stands in
    the way of the scene; returns the scenes of the folder's list."""
    list_path = os.path.join(folder, SCENE_LIST)
    fill = commands.fill_folder.replace("{folder}", shlex.quote(folder))
    scenes = folder_scenes(folder, plan, programs) if os.path.lexists(list_path) else None
    if scenes is None and not plan.errors:
        plan.errors.append("%s: error: no scene list here; %s" % (list_path, fill))
    if scenes and scene.scene_file() in scenes:
        plan.errors.append("%s: error: already names %s" % (list_path, scene.scene_file()))
    for model in scene.models():
        if not os.path.isfile(os.path.join(folder, model)):
            plan.errors.append("%s: error: the level draws this bundled model; %s" %
                               (os.path.join(folder, model), fill))
    # A name the generator writes, or wrote, would be its file, not the
    # level maker's: a later run could overwrite or prune it.
    own = read_manifest(folder) | generated_names
    for file in scene.file_names():
        path = os.path.join(folder, file)
        if os.path.lexists(path):
            plan.errors.append("%s: error: already exists; pick another name" % path)
        elif file in own:
            plan.errors.append("%s: error: the generator writes this file; pick another name"
                               % path)
    return scenes or []


def new_level(folder: str, name: str, pin_count: int, generated_names: set[str],
              programs: Programs, commands: Commands = SOURCE_TREE) -> int:
    """Writes the starter level NAME into the folder and lists it before the
    closing scene; writes nothing when anything stands in the way. Returns
    the exit status."""
    problem = name_problem(name, pin_count)
    if problem:
        tell(["%s: error: %s; nothing written" % (commands.program, problem)])
        return 1
    scene = starter_scene(name, pin_count)
    plan = Plan(errors=unreadable_names(scene.file_names(), programs))
    scenes = [] if plan.errors else \
        folder_problems(folder, scene, generated_names, plan, commands, programs)
    tell(plan.errors + plan.warnings)
    if plan.errors:
        tell(["%s: nothing written" % commands.program])
        return 1
    files = {scene.scene_file(): scene.text(), **triangle_files(scene.meshes(), programs)}
    position = max(0, len(scenes) - 1)
    scenes.insert(position, scene.scene_file())
    files[SCENE_LIST] = scene_list_text(scenes)
    write_files(folder, {file: encode(text) for file, text in files.items()})
    print("wrote %s with %d pins: %s" % (name, pin_count, ", ".join(sorted(scene.file_names()))))
    print("%s: %s added before the closing scene (%d scenes)" %
          (os.path.join(folder, SCENE_LIST), scene.scene_file(), len(scenes)))
    print(commands.play.replace("{folder}", shlex.quote(folder))
          .replace("{scene}", scene.scene_file()))
    return 0
