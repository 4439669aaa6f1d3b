// The steps of the program's run, called in order by main.
#pragma once

#include "flow/scene_list.h"

// The log is line-buffered wherever it goes, so a crash or a kill keeps it.
void keepLogLineBuffered();
void echoArguments(int argc, char **argv);
// SDL, the display, the caption, text output, the driver log lines and the
// grabbed, hidden pointer. Ends the process with status 2 without a display.
void openDisplay();
// Plays the list's scenes in order, over and over, until a level says quit.
void playScenes(const SceneList *list);
void closeDisplay();
