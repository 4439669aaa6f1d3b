"""Skorvel's level generator as a library: the bundled levels, and the pieces
a level maker can build a level of their own from.

Modules, each with one job:

    vectors   three-component vectors as plain tuples
    mesh      the Mesh of coloured faces, written as OBJ, and the shapes built
              from it: quads, boxes, lofts, slabs, walls, lathes, boards,
              lane marks
    programs  the game's own programs the generator asks: skorvel-obj
              writes the model and collision files, skorvel-check reads
              scene lists
    bodies    the pin and ball models and their sizes
    scene     the Scene record, its three files, and the scene list's text
    bundled   the six bundled levels and the closing scene, in play order
    starter   a starter level for a level maker
    output    writing a levels folder without touching a level maker's files

World units, everywhere: x runs across a lane, y along it away from the
player, z up. A lane top stands at z = 0 unless a level says otherwise. A pin
is a sphere of radius 0.3 whose centre stands 0.3 above the floor; the ball
is a sphere of radius 0.5 whose centre stands 0.5 above the floor.
"""
