#include "flow/scene_list.h"

#include <cstdio>
#include <cstdlib>

#include "flow/memory.h"
#include "scene/line_reader.h"

static const size_t SCENE_NAME_BUFFER = FILE_NAME_MAX + 1;

static void freeNames(char **names, int32_t count) {
    if (!names) return;
    for (int32_t i = 0; i < count; i++) free(names[i]);
    free(names);
}

void freeSceneList(SceneList *list) {
    freeNames(list->sceneNames, list->sceneCount);
    list->sceneNames = nullptr;
}

// Releases what the list holds and closes the file. The table may be
// shorter than the count when the file is too short to hold every entry.
static int abandonList(FILE *file, SceneList *list, int32_t tableSize) {
    freeNames(list->sceneNames, tableSize);
    list->sceneNames = nullptr;
    fclose(file);
    return 0;
}

static void reportBadList(const char *reason) {
    printf("%s", reason);
    printf("Error in scene list file, scenelist.txt\n");
}

static void reportOutOfMemory() { printf("Not enough memory to read scenelist.txt\n"); }

// Returns the number of entries read completely; stops at the first entry
// that is incomplete, that the table has no room for, or whose buffer cannot
// be allocated (*outOfMemory set).
static int32_t readEntries(FILE *file, SceneList *list, int32_t tableSize, int *outOfMemory) {
    for (int32_t i = 0; i < tableSize; i++) {
        list->sceneNames[i] = static_cast<char *>(allocateZeroed(SCENE_NAME_BUFFER, 1));
        if (!list->sceneNames[i]) {
            *outOfMemory = 1;
            return i;
        }
        if (!readNameLine(file, SCENE_LIST_LABEL_MAX, list->sceneNames[i], ITEM_SCENE_FILE))
            return i;
    }
    return tableSize;
}

int loadSceneList(const char *path, SceneList *list) {
    list->sceneCount = -1;
    list->sceneNames = nullptr;
    printf("loading list of scenes...\n");
    FILE *file = openDataFile(path);
    if (!file) {
        printf("Unable to open scenelist.txt, exiting...\n");
        return 0;
    }
    int firstLineGood =
        readIntegerLine(file, SCENE_LIST_LABEL_MAX, &list->sceneCount, ITEM_SCENE_COUNT);
    printf("%d scenes\n", list->sceneCount);
    if (!firstLineGood || list->sceneCount < 1) {
        reportBadList("invalid first line, or number of scenes stated\n");
        return abandonList(file, list, 0);
    }

    int32_t tableSize = roomForItems(file, list->sceneCount, SHORTEST_LIST_ENTRY);
    list->sceneNames =
        static_cast<char **>(allocateZeroed(static_cast<size_t>(tableSize), sizeof(char *)));
    if (!list->sceneNames) {
        reportOutOfMemory();
        return abandonList(file, list, 0);
    }
    int outOfMemory = 0;
    if (readEntries(file, list, tableSize, &outOfMemory) < list->sceneCount) {
        if (outOfMemory)
            reportOutOfMemory();
        else
            reportBadList("Not all scene entries valid\n");
        return abandonList(file, list, tableSize);
    }
    fclose(file);
    printf("done loading scene list\n");
    return 1;
}
