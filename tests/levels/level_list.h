// The bundled levels as the game finds them: scenelist.txt in the levels
// folder, whose last entry is the closing scene.
#pragma once

#include <string>
#include <vector>

// The scene file names of scenelist.txt in play order, or an empty list when
// it cannot be read.
std::vector<std::string> bundledScenes();
// Every scene but the closing one.
std::vector<std::string> playableScenes();
// The game opens its data files relative to the working directory, so the
// tests work inside the levels folder, as the game does.
void enterLevelsFolder();
// "tenpin" for "tenpin_scene.txt": a name fit for a test's name.
std::string levelName(const std::string &sceneFile);
