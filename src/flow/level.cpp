#include "flow/level.h"

#include "flow/clock.h"
#include "flow/display.h"
#include "render/render.h"
#include "scene/scene.h"

static void drainEvents(Level *level) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) handleEvent(&event, level);
}

static void runFrame(Level *level) {
    drainEvents(level);
    handleKeys(SDL_GetKeyState(nullptr), SDL_GetModState(), level);
    tickClock();
    updateFrame(level);
    renderFrame();
}

int runLevel(const char *sceneName, GamePhase startPhase) {
    Level level;
    beginLevel(&level, startPhase);
    levelSurface = getScreenSurface();
    setProjection(levelSurface->w, levelSurface->h);
    if (loadScene(sceneName) != 1) return LEVEL_QUIT;
    tickClock();  // the first frame is measured from the end of the load
    while (!level.levelDone) runFrame(&level);
    unloadScene();
    return level.levelResult;
}
