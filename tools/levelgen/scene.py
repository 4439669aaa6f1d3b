"""Scenes: the Scene record of one level, the three files it makes (the
scene file, the lane model and the collision mesh), and the scene list that
names the scene files in play order.

World units: x runs across a lane, y along it away from the player, z up.
A pin's centre stands PIN_RADIUS (0.3) above the floor it stands on, the
ball's BALL_RADIUS (0.5) above its floor."""

from .bodies import BALL_MASS, BALL_RADIUS, PIN_MASS, PIN_MODEL, PIN_RADIUS
from .mesh import Mesh
from .vectors import Vec

SCENE_LIST = "scenelist.txt"


def fmt(x: float) -> str:
    """A number as scene files write it: four decimals, never -0."""
    text = "%.4f" % x
    return "0.0000" if text == "-0.0000" else text


class Scene:
    def __init__(self, name: str, background: Vec, overlay: Vec, fall_height: float, camera: Vec,
                 ball_model: str, ball_start: Vec) -> None:
        self.name = name
        self.background = background
        self.overlay = overlay
        self.fall_height = fall_height
        self.camera = camera
        self.ball_model = ball_model
        self.ball_start = ball_start
        self.pins: list[Vec] = []
        self.lane = Mesh()
        self.collision = Mesh(collision=True)

    def pin(self, x: float, y: float, floor_z: float = 0.0) -> None:
        """A pin standing on a floor at height floor_z."""
        self.pins.append((x, y, floor_z + PIN_RADIUS))

    def scene_file(self) -> str:
        return self.name + "_scene.txt"

    def meshes(self) -> dict[str, Mesh]:
        """The lane model and the collision mesh, by file name."""
        return {self.name + "_lane.txt": self.lane, self.name + "_collision.txt": self.collision}

    def file_names(self) -> list[str]:
        return [self.scene_file(), *self.meshes()]

    def models(self) -> list[str]:
        """The file names of the body models the scene draws."""
        return [self.ball_model + ".txt"] + ([PIN_MODEL + ".txt"] if self.pins else [])

    def text(self) -> str:
        """The scene file."""
        lane, collision = self.meshes()

        def vec(v: Vec) -> str:
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
        return "\n".join(lines) + "\n"


def scene_list_text(scenes: list[str]) -> str:
    """The scene list naming the scene files in play order, the last the
    closing scene. The game reads the labels before each name and the count
    but ignores them: they only make the list readable."""
    labels = ["level%d" % (k + 1) for k in range(len(scenes) - 1)] + ["closing"]
    lines = ["scenes %d" % len(scenes)] + ["%s %s" % entry for entry in zip(labels, scenes)]
    return "\n".join(lines) + "\n"
