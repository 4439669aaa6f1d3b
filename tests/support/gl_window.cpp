#include "support/gl_window.h"

#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

void openTestWindow() {
    // A test of the display may have set another mode, or shut SDL down.
    if (SDL_GetVideoSurface()) return;
    // Without X, SDL 1.2 would fall back to a text-mode driver with no OpenGL.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    bool ready = getenv("DISPLAY") && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (ready) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        ready = SDL_SetVideoMode(640, 480, 0, SDL_OPENGL) != nullptr;
    }
    if (!ready) {
        // Nothing in a GL test can go on without the window.
        fprintf(stderr, "GL tests need an X display (scripts/test runs Xvfb): %s\n",
                SDL_GetError());
        exit(1);
    }
}

std::vector<Rgb> readFrame() {
    std::vector<unsigned char> bytes(640 * 480 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    std::vector<Rgb> frame(640 * 480);
    for (size_t i = 0; i < frame.size(); i++)
        frame[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    return frame;
}

Rgb readPixel(int x, int y) {
    unsigned char pixel[4];  // the back buffer is read unless a test chose another
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return {pixel[0], pixel[1], pixel[2]};
}

void useUnitSquare() {
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
