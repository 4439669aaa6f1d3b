#include "flow/level.h"

#include <GL/gl.h>

#include "flow/display.h"

// Temporary until the frame loop lands: an empty frame until a key is pressed.
int runLevel(const char *, GamePhase) {
    levelSurface = getScreenSurface();
    setProjection(levelSurface->w, levelSurface->h);
    for (;;) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT || event.type == SDL_KEYDOWN) return LEVEL_QUIT;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapBuffers();
        SDL_Delay(10);
    }
}
