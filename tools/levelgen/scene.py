"""Scenes: the Scene record of one level, the three files it makes (the
scene file, the lane model and the collision mesh), and the scene list that
names the scene files in play order.

World units: x runs across a lane, y along it away from the player, z up.
A pin's centre stands PIN_RADIUS (0.3) above the floor it stands on, the
ball's BALL_RADIUS (0.5) above its floor."""

import re

from .bodies import BALL_MASS, BALL_RADIUS, PIN_MASS, PIN_MODEL, PIN_RADIUS
from .mesh import Mesh, fmt

SCENE_LIST = "scenelist.txt"


class Scene:
    def __init__(self, name, background, overlay, fall_height, camera, ball_model, ball_start):
        self.name = name
        self.background = background
        self.overlay = overlay
        self.fall_height = fall_height
        self.camera = camera
        self.ball_model = ball_model
        self.ball_start = ball_start
        self.pins = []
        self.lane = Mesh()
        self.collision = Mesh()

    def pin(self, x, y, floor_z=0.0):
        """A pin standing on a floor at height floor_z."""
        self.pins.append((x, y, floor_z + PIN_RADIUS))

    def scene_file(self):
        return self.name + "_scene.txt"

    def models(self):
        """The file names of the body models the scene draws."""
        return [self.ball_model + ".txt"] + ([PIN_MODEL + ".txt"] if self.pins else [])

    def files(self):
        lane, collision = self.name + "_lane.txt", self.name + "_collision.txt"

        def vec(v):
            return "[%s, %s, %s]" % tuple(fmt(c) for c in v)

        lines = ["background " + vec(self.background),
                 "overlay " + vec(self.overlay),
                 "fallout %s" % fmt(self.fall_height),
                 "lane " + lane,
                 "collision " + collision,
                 "camera " + vec(self.camera),
                 "pins %d" % len(self.pins),
                 "ball " + vec(self.ball_start),
                 "ball_radius %s" % fmt(BALL_RADIUS),
                 "ball_mass %s" % fmt(BALL_MASS),
                 "ball_model %s.txt" % self.ball_model]
        for p in self.pins:
            lines += ["pin " + vec(p),
                      "pin_radius %s" % fmt(PIN_RADIUS),
                      "pin_mass %s" % fmt(PIN_MASS),
                      "pin_model %s.txt" % PIN_MODEL]
        return {self.scene_file(): "\n".join(lines) + "\n",
                lane: self.lane.text(),
                collision: self.collision.text()}


# ---------------------------------------------------------------------------
# The scene list: a label word and the count, then one entry per line, a
# label word and a scene file name. The game reads it word by word; the
# labels only make it readable. The last entry is the closing scene.


def scene_list_text(entries):
    """The scene list of (label, scene file) entries, in play order."""
    lines = ["scenes %d" % len(entries)] + ["%s %s" % entry for entry in entries]
    return "\n".join(lines) + "\n"


def parse_scene_list(text):
    """The (label, scene file) entries of a scene list and the count it
    states, or raises ValueError saying what is wrong. Every pair of words
    after the count is an entry, even beyond the count, so that an entry
    whose count was not raised is kept rather than lost."""
    words = text.split()
    if len(words) < 2 or not re.fullmatch(r"[+-]?[0-9]+", words[1]):
        raise ValueError("the first line is not a label and a number of scenes")
    entries = words[2:]
    if len(entries) % 2:
        raise ValueError("'%s' at the end is a label without a scene file" % entries[-1])
    return list(zip(entries[0::2], entries[1::2])), int(words[1])
