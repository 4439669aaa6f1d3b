// Feeds arbitrary bytes to the scene list reader as scenelist.txt.
#include <cstddef>
#include <cstdint>

#include "flow/scene_list.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    enterWorkFolder("fuzz_scene_list");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    writeWorkFile("scenelist.txt", data, size);
    SceneList list;
    if (loadSceneList("scenelist.txt", &list) == 1) freeSceneList(&list);
    return 0;
}
