#include <GL/gl.h>
#include <SDL.h>

#include "render/render.h"

// Temporary until the frame renderer lands: a cleared frame.
void renderFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapBuffers();
}
