// scenelist.txt: a label word and the scene count, then one entry of a label
// word and a scene file name per scene, in play order. Words may be spread
// over lines in any way; anything after the last counted entry is ignored.
#pragma once

#include <cstdint>

struct SceneList {
    int32_t sceneCount;  // -1 until a count has been read
    char **sceneNames;   // sceneCount buffers of 256 characters
};

// Reads and checks the list, printing the game's log lines. Returns 1 with
// the list filled, or 0 with nothing left allocated.
int loadSceneList(const char *path, SceneList *list);
void freeSceneList(SceneList *list);
