#include "flow/scene_list.h"

#include <cstdio>
#include <cstdlib>

#include "flow/memory.h"
#include "scene/line_reader.h"

static const size_t SCENE_NAME_BUFFER = FILE_NAME_MAX + 1;

void freeSceneList(SceneList *list) {
    if (list->sceneNames) {
        for (int32_t i = 0; i < list->sceneCount; i++) free(list->sceneNames[i]);
        free(list->sceneNames);
    }
    list->sceneNames = nullptr;
}

static int failList(FILE *file, SceneList *list, const char *reason) {
    printf("%s", reason);
    freeSceneList(list);
    printf("Error in scene list file, scenelist.txt\n");
    fclose(file);
    return 0;
}

static int failOutOfMemory(FILE *file, SceneList *list) {
    printf("Not enough memory to read scenelist.txt\n");
    freeSceneList(list);
    fclose(file);
    return 0;
}

// Returns the number of entries read completely; stops at the first entry
// that is incomplete or whose buffer cannot be allocated (*outOfMemory set).
static int32_t readEntries(FILE *file, SceneList *list, int *outOfMemory) {
    for (int32_t i = 0; i < list->sceneCount; i++) {
        list->sceneNames[i] = static_cast<char *>(allocateZeroed(SCENE_NAME_BUFFER, 1));
        if (!list->sceneNames[i]) {
            *outOfMemory = 1;
            return i;
        }
        if (!readNameLine(file, SCENE_LIST_LABEL_MAX, list->sceneNames[i])) return i;
    }
    return list->sceneCount;
}

int loadSceneList(const char *path, SceneList *list) {
    list->sceneCount = -1;
    list->sceneNames = nullptr;
    printf("loading list of scenes...\n");
    FILE *file = fopen(path, "r");
    if (!file) {
        printf("Unable to open scenelist.txt, exiting...\n");
        return 0;
    }
    int firstLineGood = readIntegerLine(file, SCENE_LIST_LABEL_MAX, &list->sceneCount);
    printf("%d scenes\n", list->sceneCount);
    if (!firstLineGood || list->sceneCount < 1)
        return failList(file, list, "invalid first line, or number of scenes stated\n");

    list->sceneNames =
        static_cast<char **>(allocateZeroed(static_cast<size_t>(list->sceneCount), sizeof(char *)));
    if (!list->sceneNames) return failOutOfMemory(file, list);
    int outOfMemory = 0;
    if (readEntries(file, list, &outOfMemory) < list->sceneCount) {
        if (outOfMemory) return failOutOfMemory(file, list);
        return failList(file, list, "Not all scene entries valid\n");
    }
    fclose(file);
    printf("done loading scene list\n");
    return 1;
}
