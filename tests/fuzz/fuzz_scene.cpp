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
#include "support/data_files.h"

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
    writeSceneModels();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    writeWorkFile("scene.txt", data, size);
    // As the level runner does: only a load that returned 1 is unloaded; a
    // failed load has released what it made.
    if (loadScene("scene.txt") == 1) unloadScene();
    return 0;
}
