// Feeds arbitrary bytes to the scene loader, and through it to the model and
// collision loaders. The work folder holds small valid model and collision
// files under the names the seed scenes use, so that a fuzzed scene gets past
// its model lines; a scene may also name its own file, scene.txt, as a model
// or a mesh.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "scene/scene.h"
#include "support/data_files.h"
#include "support/gl_window.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    openTestWindow();  // without SDL's parachute: crash signals go to the sanitizers
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
