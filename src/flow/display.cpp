#include "flow/display.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>

#include "flow/world.h"

static void requestFrameBufferFormat() {
    // SDL 1.2 dereferences its missing video device here when SDL_Init
    // failed; the mode request below then reports the failure properly.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, screenBpp / 3);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, screenBpp / 3);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, screenBpp / 3);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

void setVideoMode() {
    requestFrameBufferFormat();
    Uint32 flags;
    if (isFullscreen == 0) {
        flags = SDL_FULLSCREEN | SDL_OPENGL;
        isFullscreen = 1;
    } else {
        flags = SDL_HWSURFACE | SDL_OPENGL;
        isFullscreen = 0;
    }
    screenSurface = SDL_SetVideoMode(screenWidth, screenHeight, screenBpp, flags);
    if (!screenSurface) {
        fprintf(stderr, "Couldn't set a particular GL video mode: %s\n", SDL_GetError());
        SDL_Quit();
        exit(2);
    }
}

SDL_Surface *getScreenSurface() { return screenSurface; }

void setProjection(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(width) / height, 0.09f, 100.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
