// One level: load the scene, run the frame loop until something ends the
// level, unload the scene, and say what comes next.
#pragma once

#include "flow/world.h"

int runLevel(const char *sceneName, GamePhase startPhase);
