// A real OpenGL context for in-process tests: a 640x480 SDL window on the
// X display named by DISPLAY (the test script runs an Xvfb for it).
#pragma once

#include <vector>

struct Rgb {
    int r, g, b;
};

// Opens the window once per process; later calls do nothing. Ends the test
// process with status 1 when there is no display.
void openTestWindow();
// The colour of one pixel, origin bottom-left. The back buffer keeps the
// frame after a swap here (Mesa's software renderer copies it out).
Rgb readPixel(int x, int y, unsigned buffer = 0x0405 /* GL_BACK */);
// Every pixel of the 640x480 window, bottom row first.
std::vector<Rgb> readFrame(unsigned buffer = 0x0405 /* GL_BACK */);
// Sets the overlay's projection: the window as the unit square.
void useUnitSquare();
