"""Shading. The game has no lighting, so every colour a model file holds is
already shaded here from one fixed light. Colours are (red, green, blue)
from 0 to 255; normals are unit vectors in world units (x across a lane,
y along it away from the player, z up).

The light comes from above, from the player's side and a little from the
left, so the faces the camera sees are the lit ones."""

from .vectors import add, dot, unit

LIGHT = unit((-0.4, -0.55, 0.75))
# Roughly from a body toward the camera, which always stands behind the ball
# and above it: used for the highlights on the ball and the pins.
VIEW = unit((0.0, -1.0, 0.45))
HALFWAY = unit(add(LIGHT, VIEW))


def shade(base, normal, ambient=0.55, shine=0.0, gloss=20):
    """The colour a surface of colour `base` shows when it faces `normal`:
    ambient light everywhere, diffuse light from LIGHT, and optionally a white
    highlight of strength `shine` where the surface mirrors LIGHT to VIEW."""
    diffuse = max(0.0, dot(normal, LIGHT))
    k = ambient + (1.0 - ambient) * diffuse
    highlight = shine * max(0.0, dot(normal, HALFWAY)) ** gloss
    return tuple(min(255, int(round(c * k + 255 * highlight))) for c in base)
