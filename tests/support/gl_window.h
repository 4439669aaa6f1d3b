// A real OpenGL context for in-process tests: a 640x480 SDL window on the
// X display named by DISPLAY (the test script runs an Xvfb for it).
#pragma once

struct Rgb {
    int r, g, b;
};

// Opens the window once per process; later calls do nothing. Fails the
// calling test when there is no display.
void openTestWindow();
// The colour of one pixel of the back buffer, origin bottom-left.
Rgb readPixel(int x, int y);
