// A scene loaded for play: read as every tool reads it, then the level's
// fixed OpenGL state set and the cleared frame shown at once.
#include <GL/gl.h>
#include <SDL.h>

#include "scene/scene.h"

static void setLevelGlState() {
    glClearColor(backgroundColor.x, backgroundColor.y, backgroundColor.z, 1.0f);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int32_t loadScene(const char *path) {
    if (readScene(path) != 1) return -1;
    setLevelGlState();
    SDL_GL_SwapBuffers();
    return 1;
}
