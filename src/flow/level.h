// One level: load the scene, run the frame loop until something ends the
// level, unload the scene, and say what comes next.
#pragma once

#include <SDL.h>

#include "flow/world.h"

int runLevel(const char *sceneName, GamePhase startPhase);

// What one call of runLevel keeps to itself.
struct Level {
    int32_t levelDone;    // set by every trigger that ends the level
    int32_t levelResult;  // the last trigger's result stands
    // The keys pressed since a frame last read the held keys: a press let go
    // before the frame reads them counts as held in that frame.
    Uint8 pressedKeys[SDLK_LAST] = {};
};

// The start of every level, before its scene is loaded: the level not done,
// its result LEVEL_QUIT, the phase given, unpaused. runLevel and the level
// checker's simulated player both start a level with it.
void beginLevel(Level *level, GamePhase startPhase);

// The stages of a frame, in the order runLevel calls them: the events, the
// held keys, the clock, then the update, then the drawing.
void handleEvent(const SDL_Event *event, Level *level);
void handleKeys(const Uint8 *keys, SDLMod modifiers, Level *level);
// Everything a frame does after the clock and before drawing: the timers,
// the ball reset, the level-finished check and the physics step, in order.
void updateFrame(Level *level);

void advanceTimers();
void resetBallIfDone();
void checkLevelFinished(Level *level);
void stepPhysicsIfRunning();
