// Walking a level folder, a scene list or one scene file: every file is
// first given to the game's own loader, which decides whether it is
// accepted, then replayed line by line to say where and why.
#pragma once

#include <string>

#include "check/diagnostics.h"

struct CheckOptions {
    bool play = false;  // run the simulated player on every playable scene
    int maxThrows = 5;
    float step = 1.0f / 60.0f;  // the simulated player's frame length, in seconds
};

// PATH is a folder (its scenelist.txt), a file whose name starts with
// "scenelist", or a scene file. The checker works in the file's folder, as
// the game does. False when the path cannot be entered at all.
bool checkPath(const std::string &path, const CheckOptions &options, Report *report);
