#include "flow/game.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>

#include "flow/display.h"
#include "flow/level.h"
#include "flow/world.h"
#include "render/render.h"

// Standard output to a file or a pipe is fully buffered by default: a game
// that crashes or is killed would leave its log empty.
void keepLogLineBuffered() { setvbuf(stdout, nullptr, _IOLBF, 0); }

void echoArguments(int argc, char **argv) {
    for (int i = 1; i < argc; i++) printf("%d %s\n", i, argv[i]);
}

static void logDriverStrings() {
    printf("OpenGL Vendor:   %s\n", glGetString(GL_VENDOR));
    printf("OpenGL Renderer: %s\n", glGetString(GL_RENDERER));
    printf("OpenGL Version:  %s\n", glGetString(GL_VERSION));
}

void openDisplay() {
    int status = SDL_Init(SDL_INIT_VIDEO);
    if (status != 0) printf("SDL_Init failed with code %d\n", status);
    setVideoMode();
    SDL_WM_SetCaption("Skorvel", "whatDoesThisDo?");
    initText(screenWidth, screenHeight);
    logDriverStrings();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_GrabInput(SDL_GRAB_ON);
}

void playScenes(const SceneList *list) {
    int32_t sceneIndex = 0;
    for (;;) {
        GamePhase startPhase = sceneIndex + 1 == list->sceneCount ? PHASE_GAME_OVER : PHASE_AIM;
        int result = runLevel(list->sceneNames[sceneIndex], startPhase);
        if (result != LEVEL_RETRY) sceneIndex++;
        if (sceneIndex + 1 > list->sceneCount) {
            printf("completed game...\n");
            sceneIndex = 0;
        }
        if (result == LEVEL_QUIT) return;
    }
}

void closeDisplay() { SDL_Quit(); }
