// Feeds arbitrary bytes to the collision loader. It makes no OpenGL calls, so
// no context is needed.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    enterWorkFolder("fuzz_collision");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    writeWorkFile("mesh.txt", data, size);
    CollisionTriangle *mesh = loadCollisionMesh("mesh.txt");
    if (mesh) freeCollisionMesh(mesh);
    return 0;
}
