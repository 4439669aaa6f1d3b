// What the web layer's own files share: the current colour, which OpenGL
// keeps but the emulation does not report.
#pragma once

#include <GL/gl.h>

// Red, green, blue and alpha, 0 to 1, as the last colour call left them.
extern GLfloat currentColour[4];

// Draws every display list compiled since the last call, once; true if it
// drew any.
bool drawNewListsOnce();
