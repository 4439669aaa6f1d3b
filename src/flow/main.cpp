#include <cstdio>

#include "flow/game.h"
#include "flow/world.h"

int main(int argc, char **argv) {
    keepLogLineBuffered();
    resetWorld();
    echoArguments(argc, argv);
    SceneList list;
    if (!loadSceneList("scenelist.txt", &list)) return 0;
    openDisplay();
    playScenes(&list);
    freeSceneList(&list);
    closeDisplay();
    printf("\n....Done....\n");
    return 0;
}
