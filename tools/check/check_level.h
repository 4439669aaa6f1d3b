// Walking a level folder, a scene list or one scene file: every file is read
// by the game's own loader, which decides whether it is accepted, with the
// line readers' trace on, which says where each item was read; a reading
// error is then explained from the words at that place.
#pragma once

#include <string>

#include "check/diagnostics.h"

struct CheckOptions {
    bool scenesOnly = false;  // read only the scene list, and keep the scenes it plays
    bool play = false;        // run the simulated player on every playable scene
    int maxThrows = 5;
    float step = 1.0f / 60.0f;  // the simulated player's frame length, in seconds
    double budget = 60.0;       // processor seconds of play per level before it is not decided
};

enum PathResult { PATH_TOO_LONG, PATH_MISSING, PATH_NOT_A_FILE, PATH_NOT_A_LIST, PATH_CHECKED };

// PATH is a folder (its scenelist.txt), a file whose name starts with
// "scenelist", or a scene file, whose level folder is the nearest folder
// above it that has a scenelist.txt. The checker works in the level folder,
// as the game does, and names files relative to it.
// With scenesOnly, PATH is a folder or a scene list; only the list is read,
// and report->scenes gets the scenes the game plays from it, in order.
PathResult checkPath(const std::string &path, const CheckOptions &options, Report *report);
