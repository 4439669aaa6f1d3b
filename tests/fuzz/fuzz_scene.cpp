// Feeds arbitrary bytes to the scene loader, and through it to the model and
// collision loaders. The work folder holds small valid model and collision
// files under the names the seed scenes use, so that a fuzzed scene gets past
// its model lines; a scene may also name its own file, scene.txt, as a model
// or a mesh.
#include <GL/gl.h>
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "scene/scene.h"

// The lane: a strip of two triangles in world coordinates, facing up.
static const char laneModel[] =
    "lane 2\n"
    "normal [0, 0, 1]\n"
    "colour [180, 140, 90]\n"
    "vertex [-1, -5, 0]\n"
    "colour [180, 140, 90]\n"
    "vertex [1, -5, 0]\n"
    "colour [200, 160, 100]\n"
    "vertex [1, 10, 0]\n"
    "normal [0, 0, 1]\n"
    "colour [180, 140, 90]\n"
    "vertex [-1, -5, 0]\n"
    "colour [200, 160, 100]\n"
    "vertex [1, 10, 0]\n"
    "colour [200, 160, 100]\n"
    "vertex [-1, 10, 0]\n";

// The surface the bodies roll on: the same strip, written without a final
// line break (the loaders take that end of data too).
static const char floorMesh[] =
    "floor 2\n"
    "normal [0, 0, 1]\n"
    "colour [0, 0, 0]\n"
    "vertex [-1, -5, 0]\n"
    "colour [0, 0, 0]\n"
    "vertex [1, -5, 0]\n"
    "colour [0, 0, 0]\n"
    "vertex [1, 10, 0]\n"
    "normal [0, 0, 1]\n"
    "colour [0, 0, 0]\n"
    "vertex [-1, -5, 0]\n"
    "colour [0, 0, 0]\n"
    "vertex [1, 10, 0]\n"
    "colour [0, 0, 0]\n"
    "vertex [-1, 10, 0]";

static const char ballModel[] =
    "ball 1\n"
    "normal [0, -1, 0]\n"
    "colour [20, 20, 200]\n"
    "vertex [-0.5, 0, -0.5]\n"
    "colour [20, 20, 200]\n"
    "vertex [0.5, 0, -0.5]\n"
    "colour [60, 60, 255]\n"
    "vertex [0, 0, 0.5]\n";

static const char pinModel[] =
    "pin 1\n"
    "normal [0, -1, 0]\n"
    "colour [255, 255, 255]\n"
    "vertex [-0.2, 0, -0.5]\n"
    "colour [255, 255, 255]\n"
    "vertex [0.2, 0, -0.5]\n"
    "colour [255, 0, 0]\n"
    "vertex [0, 0, 0.5]\n";

static void openGlContext() {
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "fuzz_scene needs an X display in DISPLAY (scripts/fuzz runs Xvfb)\n");
        exit(1);
    }
    // Only X will do: SDL would otherwise fall back to a text-mode driver
    // when the display cannot be opened.
    setenv("SDL_VIDEODRIVER", "x11", 0);
    // Without the parachute SDL leaves the crash signals to the sanitizers.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE) == 0) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        if (SDL_SetVideoMode(640, 480, 0, SDL_OPENGL)) return;
    }
    fprintf(stderr, "fuzz_scene: no OpenGL window on display %s: %s\n", getenv("DISPLAY"),
            SDL_GetError());
    exit(1);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    openGlContext();
    enterWorkFolder("fuzz_scene");
    writeWorkText("lane.txt", laneModel);
    writeWorkText("floor.txt", floorMesh);
    writeWorkText("ball.txt", ballModel);
    writeWorkText("pin.txt", pinModel);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    writeWorkFile("scene.txt", data, size);
    // As the level runner does: only a load that returned 1 is unloaded; a
    // failed load has released what it made.
    if (loadScene("scene.txt") == 1) unloadScene();
    return 0;
}
