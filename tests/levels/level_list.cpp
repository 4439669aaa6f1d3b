#include "levels/level_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

static const char *const levelsFolder = SKORVEL_LEVELS_DIR;

std::vector<std::string> bundledScenes() {
    std::ifstream list(std::string(levelsFolder) + "/scenelist.txt");
    std::string label, file;
    int count = 0;
    std::vector<std::string> scenes;
    if (!(list >> label >> count)) return scenes;
    while (static_cast<int>(scenes.size()) < count && list >> label >> file) scenes.push_back(file);
    if (static_cast<int>(scenes.size()) < count) scenes.clear();
    return scenes;
}

std::vector<std::string> playableScenes() {
    std::vector<std::string> scenes = bundledScenes();
    if (!scenes.empty()) scenes.pop_back();
    return scenes;
}

void enterLevelsFolder() { ASSERT_EQ(chdir(levelsFolder), 0) << levelsFolder; }

std::string levelName(const std::string &sceneFile) {
    std::string name = sceneFile.substr(0, sceneFile.find('_'));
    for (char &c : name)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}
