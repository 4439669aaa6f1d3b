// The one light every generated or imported model is shaded with. The game
// draws no lighting, so the colours a model file holds are shaded once,
// here: the light comes from above, from the player's side and a little
// from the left, so that the faces the camera sees are the lit ones.
#pragma once

#include "obj/obj_reader.h"

// The colour, 0 to 255 each, that a surface of base colour base (0 to 255
// each) and of the material's Ka, Ks and Ns shows where its unit normal is
// normal: the Ka share of the base everywhere, the rest as it faces the
// light, and a white highlight of strength Ks where it mirrors the light
// toward the camera.
void shadeColour(const ObjMaterial &material, const int *base, ObjPoint normal, int *rgb);

// A colour of 0 to 1 as a byte.
int colourByte(double value);
