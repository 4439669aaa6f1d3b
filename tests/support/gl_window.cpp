#include "support/gl_window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

void openTestWindow() {
    static bool open = false;
    if (open) return;
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "GL tests need an X display (scripts/test runs Xvfb)";
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    ASSERT_NE(SDL_SetVideoMode(640, 480, 0, SDL_OPENGL), nullptr) << SDL_GetError();
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
