#include "support/gl_window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

void openTestWindow() {
    static bool open = false;
    if (open) return;
    // Without X, SDL 1.2 would fall back to a text-mode driver with no OpenGL.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    if (!getenv("DISPLAY") || SDL_Init(SDL_INIT_VIDEO) != 0) {
        // Nothing in a GL test can go on without the window, so stop the
        // whole test process rather than return into the test.
        fprintf(stderr, "GL tests need an X display (scripts/test runs Xvfb): %s\n",
                SDL_GetError());
        exit(1);
    }
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(640, 480, 0, SDL_OPENGL)) {
        fprintf(stderr, "No OpenGL window: %s\n", SDL_GetError());
        exit(1);
    }
    open = true;
}

Rgb readPixel(int x, int y, unsigned buffer) {
    unsigned char pixel[4] = {0, 0, 0, 0};
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2]};
}

std::vector<Rgb> readFrame(unsigned buffer) {
    std::vector<unsigned char> bytes(640 * 480 * 3);
    glReadBuffer(buffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<Rgb> frame(640 * 480);
    for (size_t i = 0; i < frame.size(); i++)
        frame[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    return frame;
}

void useUnitSquare() {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
