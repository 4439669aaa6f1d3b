// The OpenGL display: the frame-buffer format, the full-screen mode, and the
// viewport and perspective for a level.
#pragma once

#include <SDL.h>

// Opens the display, full screen on the first call and alternating with a
// window on later ones. Ends the process with status 2 when no mode can be set.
void setVideoMode();
SDL_Surface *getScreenSurface();
// Viewport and a 60 degree perspective; leaves GL_PROJECTION current.
void setProjection(int width, int height);
