// The same scripted throw on every bundled level but the closing one, played
// through the game's own loaders, event handling and frame update at a fixed
// 1/60 s a frame, so that the web build and the native build of the same code
// can be compared exactly. Prints, per level, the pins left 5 s of game time
// after the throw starts and every body's state in hexadecimal floating point.
// Runs in the folder that holds scenelist.txt.
#include <cstdio>

#include "flow/level.h"
#include "flow/scene_list.h"
#include "flow/world.h"
#include "scene/scene.h"

static const float FRAME_STEP = 1.0f / 60.0f;
static const int DRAG_FRAMES = 15;
static const int THROW_FRAMES = 5 * 60;
static const Sint16 DRAG_UP = -90;  // pixels: a fast, straight throw

static void send(Level *level, SDL_EventType type, Sint16 yrel) {
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION)
        event.motion.yrel = yrel;
    else
        event.button.button = SDL_BUTTON_LEFT;
    handleEvent(&event, level);
}

static void playFrame(Level *level) {
    frameSeconds = stepSeconds = FRAME_STEP;
    updateFrame(level);
}

static void printBody(const char *name, const Body &body) {
    printf("%s active %d at %a %a %a moving %a %a %a\n", name, body.active, body.position.x,
           body.position.y, body.position.z, body.velocity.x, body.velocity.y, body.velocity.z);
}

static void throwOnScene(const char *sceneName) {
    resetWorld();
    if (readScene(sceneName) != 1) return;
    Level level = {0, LEVEL_QUIT};
    gamePhase = PHASE_AIM;
    paused = 0;
    rollTimer = -1.0f;
    send(&level, SDL_MOUSEBUTTONDOWN, 0);
    send(&level, SDL_MOUSEMOTION, DRAG_UP);
    int frame = 0;
    for (; frame < DRAG_FRAMES; frame++) playFrame(&level);
    send(&level, SDL_MOUSEBUTTONUP, 0);
    for (; frame < THROW_FRAMES && !level.levelDone; frame++) playFrame(&level);
    printf("%s: %d of %d pins left after %d frames\n", sceneName, pinsStanding, pinCount, frame);
    printBody("ball", ball);
    for (int32_t i = 0; i < pinCount; i++) printBody("pin", pins[i]);
    unloadScene();
}

int main() {
    resetWorld();
    SceneList list;
    if (!loadSceneList("scenelist.txt", &list)) return 1;
    for (int32_t i = 0; i + 1 < list.sceneCount; i++) throwOnScene(list.sceneNames[i]);
    freeSceneList(&list);
    printf("replay done\n");
    return 0;
}
