// A real OpenGL context for in-process tests: a 640x480 SDL window on the
// X display named by DISPLAY (the test script runs an Xvfb for it).
#pragma once

#include <vector>

struct Rgb {
    int r, g, b;
};

// Opens the window unless one is open; ends the process without a display.
void openTestWindow();
// Every pixel of the back buffer, bottom row first. Mesa's software renderer
// keeps the frame there after a swap.
std::vector<Rgb> readFrame();
// One pixel, origin bottom-left.
Rgb readPixel(int x, int y);
// Sets the overlay's projection: the window as the unit square.
void useUnitSquare();
